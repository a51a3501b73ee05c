#pragma once
// The task file: the binary component stream of the task storage, its tasks as a collection
// of published properties and each password enciphered under the task key.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/stream.h"
#include "scheduler/task_list.h"

namespace lark::scheduler {

struct LoadResult {
    bool loaded = false;  // false: no file of that name, nothing changed
    // Tasks whose stored password did not decipher; they were loaded with an empty password.
    std::vector<int> undecipheredPasswords;
};

struct SaveResult {
    // Tasks whose password the file cannot hold (CanStorePassword): it was stored with "?" for
    // the characters Windows-1252 lacks.
    std::vector<int> changedPasswords;
};

// The stream of a storage, as bytes; the tasks whose password was changed go to changedPasswords.
std::vector<std::uint8_t> WriteTaskStream(const TLarkFTPTaskStorage& storage,
                                          std::vector<int>* changedPasswords = nullptr);
// Told now and then while a task file is read (about every hundredth of it), so a status bar
// can show how far a long load has come: the bytes read so far and the file's size. The last
// call has both equal.
using LoadProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Reads a stream into the storage. The file is read into a scratch list first: on an error
// (core::ReadError, naming the offset and the property) nothing in the storage changes.
LoadResult ReadTaskStream(TLarkFTPTaskStorage& storage, std::vector<std::uint8_t> bytes,
                          const LoadProgress& progress = {});

// An empty name does nothing. A read-only storage raises core::Error and writes nothing. A
// missing folder is created; the file is written under a temporary name, flushed to the disk
// and swapped in, so a failure (or a kill) leaves the previous file whole and a failure raises.
SaveResult SaveToFile(const TLarkFTPTaskStorage& storage, const std::string& fileName,
                      core::WriteSteps& steps = core::WriteSteps::Disk());
// No such file: nothing happens. Else as ReadTaskStream.
LoadResult LoadFromFile(TLarkFTPTaskStorage& storage, const std::string& fileName,
                        const LoadProgress& progress = {});

// Writes the task list beside the task file under a name that replaces nothing:
// "<file>.unsaved-<stamp>", or with "-2", "-3" and on appended when that is taken. For a list
// whose own file cannot take it (locked, read-only, a full disk). Ignores the storage's
// read-only state (nothing is written over); answers the name written; raises on failure,
// leaving no part of a file.
std::string SaveBeside(const TLarkFTPTaskStorage& storage, const std::string& fileName, const std::string& stamp,
                       core::WriteSteps& steps = core::WriteSteps::Disk());
// The stamp SaveBeside's names carry: the local date and time as "yyyymmdd-hhnnss".
std::string FileStamp(core::DateTime now);

// What start-up found of the task file. The transfer log gets a line for a file set aside or
// left read-only, and the main window shows it to the user.
struct TaskFileStartup {
    enum class State {
        Loaded,    // read (or no file yet: the list starts empty)
        SetAside,  // unreadable: renamed to asideName, the list starts empty
        ReadOnly,  // unreadable and it could not be renamed: the storage is read-only this run
        Locked,    // another program kept it locked: not read, not set aside, the storage read-only
    };
    State state = State::Loaded;
    std::string error;      // why it could not be read (SetAside, ReadOnly, Locked)
    std::string asideName;  // SetAside: the file's new name
    std::string asideError; // ReadOnly: why it could not be renamed
    LoadResult load;
    std::vector<std::string> removedTemporaries;  // left by saves that were killed
};

// Between tries at a locked task file: waits a moment and answers whether to try again.
using LockWait = std::function<bool()>;
// Waits 250 ms a time until `total` has passed since it was made.
LockWait WaitUpTo(std::chrono::milliseconds total);

// Start-up: removes the temporary files of interrupted saves, then loads the file. A file that
// another program holds locked (a backup tool, a virus scanner) is tried again while `wait`
// answers true (by default for up to 10 seconds); one that stays locked is left as it is and
// the storage made read-only (Locked). A file that cannot be read is renamed "<name>.damaged"
// (or "<name>.2.damaged" and on, never over an earlier copy) so the save at exit cannot
// overwrite what it held; when even that fails, the storage is made read-only.
TaskFileStartup OpenTaskFile(TLarkFTPTaskStorage& storage, const std::string& fileName,
                             const LoadProgress& progress = {}, core::WriteSteps& steps = core::WriteSteps::Disk(),
                             const LockWait& wait = {});

}  // namespace lark::scheduler
