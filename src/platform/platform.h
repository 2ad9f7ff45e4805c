// The only door to the operating system. Portable code calls these; win32/ and posix/ implement
// them with the same observable behaviour. No OS header or type appears here: handles are opaque.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/wide_string.h"

namespace platform {

// Separator of path components: backslash on Windows, slash on Linux.
extern const char16_t kPathSeparator;
// Suffix of a shared library file: ".dll" or ".so".
extern const char16_t* const kLibrarySuffix;

// ---- Libraries ----------------------------------------------------------------------------

// A loaded shared library, unloaded when the object goes. Empty if loading failed.
class Library {
public:
    Library() = default;
    Library(Library&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    // A path is used as given. A bare file name on Linux is looked for only in the library folder
    // (setLibraryFolder), never on the system's search path; on Windows LoadLibraryW looks in the
    // SetDllDirectoryW folder and then its own search path, where system libraries are found.
    static Library load(const WideString& name);
    bool isLoaded() const { return handle != nullptr; }
    // nullptr when the library lacks the symbol or is not loaded.
    void* symbol(const char* name) const;

private:
    void* handle = nullptr;
};

// Puts folder on the library search path for bare names (SetDllDirectoryW on Windows).
// On Linux bare names resolve in the data folder beside the executable until this is called.
void setLibraryFolder(const WideString& folder);
// Folder of the running executable, ending in kPathSeparator.
WideString executableFolder();

// ---- Named mutex --------------------------------------------------------------------------

// A mutex shared by name between the threads of this process and other processes, recursive for
// its owning thread, released when its owner ends. Move-only; closes its handle when it goes.
class NamedMutex {
public:
    NamedMutex() = default;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    ~NamedMutex();

    // Closes the current handle, then opens or creates the mutex of that name (no initial owner).
    // An empty name leaves no handle. True when a handle was obtained.
    bool create(const WideString& name);
    bool hasHandle() const { return handle != nullptr; }
    // Waits without limit; does nothing without a handle.
    void acquire();
    // Releases one hold; does nothing without a handle or when this thread does not own it.
    void release();

private:
    void close();
    void* handle = nullptr;
};

// ---- Threads, time, waiting ---------------------------------------------------------------

using ThreadRoutine = void (*)(WideString parameter);
// Starts a detached thread that runs routine with its own copy of parameter (absent: empty
// text). False when the system has no memory or threads to spare for it. Windows retries any
// other failed start every 100 ms; on Linux no failure passes by itself, so every one gives false.
bool startThread(ThreadRoutine routine, const std::optional<WideString>& parameter);

// Identifier of the calling thread; never 0.
std::int32_t currentThreadId();

// Identifier of the calling process; never 0.
std::int64_t currentProcessId();
// Whether the process with that identifier is running: true also for one of another user, which
// this process may not otherwise reach; false for no such process, and for one that has ended but
// is still known to the system (a handle held to it on Windows, an exit status not yet collected
// on Linux). An identifier the system gives again after its process ended names the new process.
bool isProcessRunning(std::int64_t processId);

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t tickCount();
// Replaces the clock behind tickCount; nullptr restores the system clock. For tests.
void setTickSource(std::uint32_t (*source)());

// Waits milliseconds. With pump 1 the calling thread's window messages are dispatched meanwhile
// (Windows); Linux has no message queue and sleeps.
void waitPumping(std::uint64_t milliseconds, std::int32_t pump);

// Date text followed by time text of a moment (OLE automation date; -1.0 is now, local time),
// formatted by pictures such as "yyyyMMdd" and "HHmmss". Empty when the moment cannot be converted.
WideString dateTimeText(double moment, const WideString& datePicture, const WideString& timePicture);

// ---- Files and paths ----------------------------------------------------------------------

// The path in the form the system's file calls take at any length, for the files that SQLite and
// the C++ streams open (the file operations here make it themselves). On Windows a path of
// MAX_PATH - 12 characters or more, which a folder's name may no longer have, is made absolute and
// given the extended-length prefix "\\?\" ("\\?\UNC\" for \\server\share\...), without
// which Windows refuses paths past MAX_PATH unless long paths are switched on; a shorter path stays
// as it is and keeps every rule of the system's path parsing ("/" as a separator, device names).
// On Linux every path stays as it is.
WideString systemPath(const WideString& path);
// The SQLite VFS to open a name in systemPath's form with: "win32-longpath" on Windows, which takes
// names as long as the system does (the default one stops at MAX_PATH × 4 bytes of UTF-8); null,
// SQLite's default, on Linux.
extern const char* const kSqliteVfs;

// Does the path name an existing file or folder.
bool pathExists(const WideString& path);
// Does the path lead, through any symbolic links, to an existing file that holds data: not a
// folder, a pipe or a device. Reading those would hang or fail, and a folder has no folder of its
// own to work in.
bool isRegularFile(const WideString& path);
// Deletes one file, read-only or not; false when it could not.
bool deleteFile(const WideString& path);
// Puts a file's written data on the disk (FlushFileBuffers, fsync); false when the file cannot be
// opened for writing or the flush fails.
bool flushFile(const WideString& path);
// Moves a file. Never overwrites; fails when the source does not exist, the target exists or
// another process has the source open.
bool moveFile(const WideString& from, const WideString& to);

enum class FileError { none, exists, noSpace, noPermission, other };
// Creates a new empty file, and never opens one that exists. none on success; exists when the
// name is taken (by a file, folder or link); noSpace when the disk or quota is full; noPermission
// when the folder or disk refuses writing; other for any other failure (a missing folder, say).
FileError createNewFile(const WideString& path);

// What replaceFile does once the old file is under backup (and, where hard links exist, still under
// path too), before the replacement takes path. act returns false, having undone its own changes,
// when it cannot be done: the replacement then stops and changes nothing. undo reverses a
// successful act, should the replacement fail after it; it runs before backup is given up.
struct BeforeReplacing {
    std::function<bool()> act = [] { return true; };
    std::function<void()> undo = [] {};
};

// Puts the file replacement at path and keeps the file that was at path under backup. path names
// the whole old file or the whole replacement at every moment, except on a disk without hard
// links (FAT), where it is missing for a moment. Never overwrites backup. Fails, changing
// nothing, when path or replacement is missing, backup exists or another process has path open.
// On success the renames are flushed to the disk; a flush that fails does not undo them.
bool replaceFile(const WideString& path, const WideString& replacement, const WideString& backup,
                 const BeforeReplacing& between = {});

// Gives the file at to what the file at from has besides its bytes: on Linux its permission bits
// and its owner and group (the owner only where this process may give files away: as root; a
// refusal is not a failure); on Windows its attributes (read-only, hidden, system, archive, not
// indexed) and its security descriptor (owner and group where permitted, and access list). False
// when either file cannot be reached or the permissions or attributes cannot be set.
bool copyFileProperties(const WideString& from, const WideString& to);

// The absolute path of the file with every symbolic link resolved; when that fails (the file does
// not exist, say) the path made absolute against the current folder, with "." and ".." removed
// but no link resolved. Empty for an empty path.
WideString resolvedPath(const WideString& path);

// A text that changes when the file at path is written, replaced or resized: the file's identity,
// size and last-write time at full resolution. Opaque: compare it, do not read it. Empty when
// the file does not exist.
std::string fileVersion(const WideString& path);

// The text up to and including the last separator (a lone separator when there is none).
WideString folderOf(const WideString& path);
// The text after the last separator (the whole path when there is none).
WideString fileNameOf(const WideString& path);
// The last component's extension without its dot, by PathFindExtensionW's rules; empty if none.
WideString fileExtensionOf(const WideString& path);
// The system's folder for temporary files, ending in kPathSeparator: GetTempPathW's on Windows,
// $TMPDIR's or else /tmp on Linux. The folder may not exist.
WideString temporaryFolder();
// Creates a new folder (on Linux open to this user alone), and never takes one that exists: the
// results are createNewFile's.
FileError createNewFolder(const WideString& path);
// Deletes an empty folder; false when it could not (a file is left in it, say).
bool deleteFolder(const WideString& path);
// Copies the file at from, byte for byte, to a new file at to that this user may write (not
// read-only, whatever from is). Never overwrites: exists when the name is taken. On any other
// failure nothing is left at to; noSpace when the disk or quota fills up. On Linux, closing from
// releases the POSIX locks this process holds on it, as every close does: copy a database before
// this process opens it with SQLite.
FileError copyFile(const WideString& from, const WideString& to);
// Moves folder/oldName to folder/newName; the folder may end in a separator or not.
// False without trying when the old file does not exist; never overwrites.
bool moveInFolder(const WideString& folder, const WideString& oldName, const WideString& newName);

// ---- Console ------------------------------------------------------------------------------

enum class Stream { output = 1, error = 2 };
// The command-line arguments after the program's name (on Windows from the wide command line).
StringArray commandLineArguments(int argc, char** argv);
// Whether the stream is an interactive terminal or console.
bool isTerminal(Stream stream);
// Writes text to the stream: as UTF-16 to a Windows console, as UTF-8 everywhere else.
void writeText(Stream stream, const WideString& text);

// ---- Digest -------------------------------------------------------------------------------

// MD5 of the bytes as 32 lower-case hexadecimal digits; empty when it cannot be computed.
std::string md5Hex(const ByteBuffer& bytes);

}  // namespace platform
