#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfer/prompts.h"

namespace zem {

// Prompts answered from a script, for zemctl and tests: each dialog takes
// the next answer of its queue (an empty queue answers Cancel) and every
// question asked is kept.
class ScriptedPrompts : public Prompts {
 public:
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> confirmAnswers;
  std::deque<std::optional<std::string>> hostAnswers;
  std::deque<std::optional<std::string>> portAnswers;
  std::deque<std::optional<SheetFields>> sheetAnswers;  // an empty queue answers OK to what is proposed
  // Runs while a file dialog is "open", so a test can look at the window meanwhile.
  std::function<void()> whileFileDialogOpen;

  struct HostQuestion {
    std::string caption, prompt, initialText;
  };
  std::vector<FileDialog> openDialogs;
  std::vector<FileDialog> saveDialogs;
  std::vector<std::string> confirmTexts;
  std::vector<DefaultButton> confirmDefaults;  // one per confirmTexts entry
  std::vector<HostQuestion> hostQuestions;
  std::vector<std::vector<std::string>> portQuestions;
  std::vector<std::string> portOffers;  // one per portQuestions entry
  std::vector<std::string> errors;
  std::vector<std::string> informations;
  std::vector<PrintJob> printJobs;  // each preview asked for, to paint on a device of the test's own
  std::vector<SheetFields> sheetProposals;

  std::optional<std::string> OpenFile(const FileDialog& dialog) override {
    openDialogs.push_back(dialog);
    if (whileFileDialogOpen) whileFileDialogOpen();
    return Next(openAnswers);
  }
  std::optional<std::string> SaveFile(const FileDialog& dialog) override {
    saveDialogs.push_back(dialog);
    if (whileFileDialogOpen) whileFileDialogOpen();
    return Next(saveAnswers);
  }
  bool Confirm(const std::string& text, DefaultButton defaultButton = DefaultButton::Ok) override {
    confirmTexts.push_back(text);
    confirmDefaults.push_back(defaultButton);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  std::optional<std::string> HostPrompt(const std::string& caption, const std::string& prompt,
                                        const std::string& initialText) override {
    hostQuestions.push_back(HostQuestion{caption, prompt, initialText});
    return Next(hostAnswers);
  }
  std::optional<std::string> ChoosePort(const std::vector<std::string>& entries,
                                        const std::string& offered) override {
    portQuestions.push_back(entries);
    portOffers.push_back(offered);
    return Next(portAnswers);
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowInformation(const std::string& text) override { informations.push_back(text); }
  void PrintPreview(const PrintJob& job) override { printJobs.push_back(job); }
  std::optional<SheetFields> SheetTitle(const SheetFields& proposed) override {
    sheetProposals.push_back(proposed);
    if (sheetAnswers.empty()) return proposed;
    std::optional<SheetFields> answer = std::move(sheetAnswers.front());
    sheetAnswers.pop_front();
    return answer;
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }
};

}  // namespace zem
