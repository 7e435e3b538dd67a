#pragma once

// The window as the window tests drive it: an editor, scripted dialogs and
// the main window over them, made afresh for every test function.

#include <QDir>
#include <memory>

#include "editor/editor.h"
#include "transfer/scripted_prompts.h"
#include "ui/window/main_window.h"

namespace zem::test {

struct WindowFixture {
  std::unique_ptr<Editor> editor;
  std::unique_ptr<ScriptedPrompts> prompts;
  std::unique_ptr<MainWindow> window;

  // Quick EQ files go to the temporary folder.
  void OpenWindow(bool show) {
    editor = std::make_unique<Editor>(QDir::tempPath().toStdString());
    prompts = std::make_unique<ScriptedPrompts>();
    window = std::make_unique<MainWindow>(*editor, *prompts);
    if (show) window->show();
  }
  // The window goes before what it refers to.
  void CloseWindow() {
    window.reset();
    prompts.reset();
    editor.reset();
  }
};

}  // namespace zem::test
