#pragma once

#include <vector>

// The songs carried inside the program (resources/demos.qrc, prefix
// "qembedfiles"), in the order of the Demo menu.
struct DemoSong {
    const char* file;
    const char* title; // English; translated in the context "TopWidget"
    int group;         // 0 Children, 1 Easy, 2 Medium, 3 Hard
    int tracks;        // tracks holding notes once the file is loaded
};

const std::vector<DemoSong>& demoCatalogue();
