#pragma once

#include <string>
#include <vector>

namespace zem {

// Each command takes the arguments after its name and returns the exit status.
int RunCheck(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunPull(const std::vector<std::string>& args);
int RunPush(const std::vector<std::string>& args);

// "zemctl: " + message on standard error.
void PrintError(const std::string& message);

}  // namespace zem
