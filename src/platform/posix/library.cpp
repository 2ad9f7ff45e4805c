// Run-time libraries on Linux through dlopen. A bare name is looked for only in the library
// folder (the data folder beside the executable unless set): the system's search would take any
// library of that name from LD_LIBRARY_PATH or the system folders in place of ours.
#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "platform/platform.h"

namespace platform {

const char16_t* const kLibrarySuffix = u".so";

namespace {

std::mutex folderLock;
WideString chosenFolder;
bool folderChosen = false;

WideString libraryFolder() {
    std::lock_guard<std::mutex> guard(folderLock);
    if (!folderChosen) {
        chosenFolder = executableFolder() + u"data";
        folderChosen = true;
    }
    return chosenFolder;
}

void* openLibrary(const WideString& path) { return dlopen(toUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle) dlclose(handle);
        handle = other.handle;
        other.handle = nullptr;
    }
    return *this;
}

Library::~Library() {
    if (handle) dlclose(handle);
}

Library Library::load(const WideString& name) {
    Library library;
    if (name.empty()) return library;
    if (name.find(kPathSeparator) != WideString::npos) {
        library.handle = openLibrary(name);
        return library;
    }
    WideString folder = libraryFolder();
    if (folder.empty()) return library;
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    library.handle = openLibrary(folder + name);
    return library;
}

void* Library::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

void setLibraryFolder(const WideString& folder) {
    std::lock_guard<std::mutex> guard(folderLock);
    chosenFolder = folder;
    folderChosen = true;
}

WideString executableFolder() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return WideString(1, kPathSeparator);
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return folderOf(fromUtf8(path));
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace platform
