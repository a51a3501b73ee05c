#pragma once
// Where this machine has the main client: its program folder from its COM registration.
#include <optional>
#include <string>
#include <string_view>

namespace lark::mainclient {

// The process's environment variable, or nothing when it is not set.
std::optional<std::string> EnvironmentVariable(std::string_view name);
// The default value of the main client's LocalServer32 key; nothing when it cannot be read.
std::optional<std::string> LocalServerValue();
// ProgramFolderOfLocalServer of that value with this process's environment; empty when the main
// client is not registered or its value names no folder.
std::string MainClientProgramFolder();

}  // namespace lark::mainclient
