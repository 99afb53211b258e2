#pragma once
// The splash of the configuration window: the maker's logo in the middle of the screen
// for 2000 ms, after which it releases the configuration window's load and closes.

#include "forms/Form.h"
#include "forms/Timer.h"

class accueil : public forms::Form {
public:
    // The shared splash, made and loaded (centred) on first use.
    static accueil& Instance();
    static bool Loaded();
    // Closes the splash: its window and its timer go with it.
    static void Unload();

    accueil();

    // Counts from the splash's loading.
    forms::Timer Timer1;

    void Form_Load();
    void Timer1_Timer();
};
