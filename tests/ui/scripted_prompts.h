#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "transfer/prompts.h"

namespace zem::testing {

// Prompts answered from a script: each dialog takes the next scripted answer
// of its kind (cancel when none is left) and is recorded, so a test can check
// which dialogs were opened, and nothing ever waits on a real one.
class ScriptedPrompts : public Prompts {
 public:
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<bool> confirmAnswers;
  std::deque<std::optional<std::string>> hostAnswers;
  std::deque<std::optional<std::string>> portAnswers;

  std::vector<std::string> asked;  // "open", "save", "confirm: ...", "error: ...", ...

  std::optional<std::string> OpenFile(const FileDialog&) override {
    asked.push_back("open");
    return Next(fileAnswers);
  }
  std::optional<std::string> SaveFile(const FileDialog&) override {
    asked.push_back("save");
    return Next(fileAnswers);
  }
  bool Confirm(const std::string& text) override {
    asked.push_back("confirm: " + text);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  std::optional<std::string> HostPrompt(const std::string&, const std::string& prompt,
                                        const std::string&) override {
    asked.push_back("host: " + prompt);
    return Next(hostAnswers);
  }
  std::optional<std::string> ChoosePort(const std::vector<std::string>&) override {
    asked.push_back("port");
    return Next(portAnswers);
  }
  void ShowError(const std::string& text) override { asked.push_back("error: " + ErrorBoxText(text)); }
  void ShowInformation(const std::string& text) override { asked.push_back("information: " + text); }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

}  // namespace zem::testing
