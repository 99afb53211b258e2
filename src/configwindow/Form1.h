#pragma once
// The configuration window: a window without a title bar whose grey strip serves as one,
// a left panel with one button per member procedure of the group named on the command
// line, a splitter bar, and a right panel with three tabs that the first button click
// shows. Its load shows the splash and returns once the splash has released it.

#include "configwindow/BarreSeparatrice.h"
#include "configwindow/UserControl1.h"
#include "forms/ControlArray.h"
#include "forms/FileListBox.h"
#include "forms/Form.h"
#include "forms/PictureBox.h"
#include "forms/TabControl.h"
#include "forms/TreeView.h"

#include <cstdint>

class Form1 : public forms::Form {
public:
    // The one shared window, made on first use; making it does not load or show it.
    static Form1& Instance();
    static bool Exists();
    // Closes the window and drops the shared instance; the next use makes a fresh one.
    static void Unload();

    Form1();

    forms::Image barreoutil;
    // A menu line drawn on the strip, with no behaviour.
    forms::Label Label1;
    forms::PictureBox afficheur;
    forms::PictureBox fond;
    forms::PictureBox taches;
    forms::ControlArray<UserControl1> action;
    BarreSeparatrice BarreSeparatrice1;
    forms::Label logs;
    forms::PictureBox fondfonctions;
    forms::TabControl Onglets;
    forms::Label Label2;
    forms::TextBox Text1;
    forms::Label Label4;
    forms::TreeView services;
    forms::TreeView liste;
    forms::FileListBox File1;

    // True from the start of the load until the splash releases it.
    bool intro = false;

    // Ignores its errors.
    void Form_Load();
    void action_Click(std::int16_t Index);
    void barreoutil_DblClick();
    void barreoutil_MouseDown(int Button, int Shift, float X, float Y);
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    // The layout rules skip a size that would come out below zero.
    void Form_Resize();
    void fondfonctions_Resize();
    void taches_Resize();

private:
    // The highest index of `action`: the group's "Nombre" minus one.
    std::int32_t DerniereProcedure = 0;
    // 1 once a double-click on the strip has added the sizing border, 0 once one removed it.
    std::int16_t BordureActive = 0;
};
