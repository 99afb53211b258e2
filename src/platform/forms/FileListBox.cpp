#include "forms/FileListBox.h"

#include "vb/Encoding.h"

#include <algorithm>
#include <filesystem>

namespace forms {

FileListBox::FileListBox(Container& parent, vb::String name) : ListBox(parent, std::move(name)) {
    SetStyle(Style | WS_BORDER);
    std::error_code ec;
    Path(vb::DecodeName(std::filesystem::current_path(ec).native()));
}

void FileListBox::Path(vb::String folder) {
    path_ = std::move(folder);
    std::vector<vb::String> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(vb::EncodeName(path_), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            names.push_back(vb::DecodeName(it->path().filename().native()));
        }
    }
    std::sort(names.begin(), names.end());
    List = std::move(names);
}

} // namespace forms
