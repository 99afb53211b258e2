#pragma once
// A file list box: the names of the files of one folder, sorted, from the working folder
// at first.

#include "forms/ListBox.h"

namespace forms {

class FileListBox : public ListBox {
public:
    FileListBox(Container& parent, vb::String name);

    const vb::String& Path() const { return path_; }
    // Lists that folder's files; a folder that cannot be read lists none.
    void Path(vb::String folder);

private:
    vb::String path_;
};

} // namespace forms
