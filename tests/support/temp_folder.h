// A fresh folder under the system's temporary folder, removed with everything in it when the object goes.
#pragma once

#include "base/wide_string.h"

class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    // The folder, ending in the path separator.
    const WideString& path() const { return folder; }
    // folder + name.
    WideString operator/(const WideString& name) const { return folder + name; }
    // Names of the files in the folder, sorted.
    StringArray fileNames() const;

private:
    WideString folder;
};
