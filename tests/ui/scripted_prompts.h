#pragma once

// Prompts answered from a script, with a record of every question asked, so
// page and transfer tests never wait on a real dialog. An unscripted
// question gets the safe answer (cancel) and is recorded all the same.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "transfer/prompts.h"

namespace zem::testing {

class ScriptedPrompts : public Prompts {
 public:
  // Answers, used in order.
  std::deque<std::optional<std::string>> fileAnswers;  // OpenFile and SaveFile
  std::deque<bool> confirmAnswers;
  std::deque<std::optional<std::string>> hostAnswers;
  std::deque<std::optional<std::string>> portAnswers;

  // What was asked.
  std::vector<FileDialog> openDialogs;
  std::vector<FileDialog> saveDialogs;
  std::vector<std::string> confirmations;
  std::vector<std::string> errors;
  std::vector<std::string> informations;
  std::vector<std::string> hostPrompts;
  std::vector<std::vector<std::string>> portChoices;

  std::optional<std::string> OpenFile(const FileDialog& dialog) override {
    openDialogs.push_back(dialog);
    return Next(fileAnswers);
  }
  std::optional<std::string> SaveFile(const FileDialog& dialog) override {
    saveDialogs.push_back(dialog);
    return Next(fileAnswers);
  }
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  std::optional<std::string> HostPrompt(const std::string& caption, const std::string& prompt,
                                        const std::string& initialText) override {
    hostPrompts.push_back(caption + "|" + prompt + "|" + initialText);
    return Next(hostAnswers);
  }
  std::optional<std::string> ChoosePort(const std::vector<std::string>& entries) override {
    portChoices.push_back(entries);
    return Next(portAnswers);
  }
  void ShowError(const std::string& text) override { errors.push_back(ErrorBoxText(text)); }
  void ShowInformation(const std::string& text) override { informations.push_back(text); }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace zem::testing
