#pragma once
// The task file: the binary component stream of the task storage, its tasks as a collection
// of published properties and each password enciphered under the task key.
#include <string>
#include <vector>

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
// Reads a stream into the storage. The file is read into a scratch list first: on an error
// (core::ReadError, naming the offset and the property) nothing in the storage changes.
LoadResult ReadTaskStream(TLarkFTPTaskStorage& storage, const std::vector<std::uint8_t>& bytes);

// An empty name does nothing. A missing folder is created; the file is written under a
// temporary name and swapped in, so a failure leaves the previous file intact and raises.
SaveResult SaveToFile(const TLarkFTPTaskStorage& storage, const std::string& fileName);
// No such file: nothing happens. Else as ReadTaskStream.
LoadResult LoadFromFile(TLarkFTPTaskStorage& storage, const std::string& fileName);

}  // namespace lark::scheduler
