#include "vb/App.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    vb::SetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    vb::End(0);
}
