#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfer/prompts.h"

// Prompts answered from a script: each dialog takes the next queued answer
// (or cancels when none is queued) and records what it was asked.
class ScriptedPrompts : public zem::Prompts {
 public:
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<bool> confirmAnswers;
  std::deque<std::optional<std::string>> hostAnswers;
  std::deque<std::optional<std::string>> portAnswers;
  // Runs while a file dialog is "open", to look at the window meanwhile.
  std::function<void()> whileFileDialogOpen;

  std::vector<FileDialog> fileDialogs;
  std::vector<std::string> confirmations;
  std::vector<std::string> hostPrompts;
  std::vector<std::vector<std::string>> portLists;
  std::vector<std::string> errors;
  std::vector<std::string> informations;

  std::optional<std::string> OpenFile(const FileDialog& dialog) override { return File(dialog); }
  std::optional<std::string> SaveFile(const FileDialog& dialog) override { return File(dialog); }
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    return Next(confirmAnswers, false);
  }
  std::optional<std::string> HostPrompt(const std::string& caption, const std::string& prompt,
                                        const std::string& initialText) override {
    hostPrompts.push_back(caption + "|" + prompt + "|" + initialText);
    return Next(hostAnswers, std::optional<std::string>());
  }
  std::optional<std::string> ChoosePort(const std::vector<std::string>& entries) override {
    portLists.push_back(entries);
    return Next(portAnswers, std::optional<std::string>());
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowInformation(const std::string& text) override { informations.push_back(text); }

 private:
  std::optional<std::string> File(const FileDialog& dialog) {
    fileDialogs.push_back(dialog);
    if (whileFileDialogOpen) whileFileDialogOpen();
    return Next(fileAnswers, std::optional<std::string>());
  }
  template <typename T>
  static T Next(std::deque<T>& answers, T otherwise) {
    if (answers.empty()) return otherwise;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
