#pragma once

// Favorite routes written as the letters the tests' tables use: "C", "A",
// "V", "R", and "" for no route.

#include <string>
#include <string_view>

#include "model/config_model.h"

namespace zem::test {

inline std::string LetterOf(Route route) {
  if (route == Route::Restricted) return "R";
  const char* letter = RouteLetter(route);
  return letter ? letter : "";
}

inline Route RouteOf(std::string_view letter) {
  for (const Route route : {Route::Combined, Route::Audio, Route::Video, Route::Restricted})
    if (letter == LetterOf(route)) return route;
  return Route::None;
}

}  // namespace zem::test
