#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zem {

// A site file (*.zemsite): the units of one site, each with its link and the
// configuration file it is meant to hold. zemctl site and the window's site
// list read it the same way. JSON, described by docs/zem-site.schema.json:
//
//   {"name": "Hotel Post",
//    "units": [{"name": "lobby", "link": {"telnet": "192.168.1.50"}, "file": "lobby.zem"},
//              {"name": "bar", "link": {"serial": "/dev/ttyUSB0"}, "file": "bar.zem"}]}
struct SiteUnit {
  std::string name;     // unique in the site; a folder name on any system
  bool serial = false;  // the link: a serial device, else a Telnet HOST[:PORT]
  std::string address;  // the host (and port) or the device
  std::string file;     // the intended configuration, as the site file names it
  std::string path;     // the same, found from the site file's folder

  // "telnet 192.168.1.50" or "serial /dev/ttyUSB0", as the help and the list show it.
  std::string LinkText() const { return (serial ? "serial " : "telnet ") + address; }
};

struct Site {
  std::string name;
  std::vector<SiteUnit> units;
};

// The longest unit name: it names a folder and a line of every report.
inline constexpr std::size_t kSiteUnitNameMax = 64;
// A site file is small; anything larger is not one.
inline constexpr std::size_t kSiteFileMaxBytes = 1 << 20;

// Reads the site file's JSON `text`; unit files are found from `folder` (the
// site file's own). Nothing, with `error` set, for text that is not JSON
// ("line 4, column 7: ..."), a value of the wrong kind or a key not known
// ("units[2].link.telnet: ..."), a unit name that is not a plain folder
// name or is given twice, or two units on one serial port.
std::optional<Site> ParseSite(const std::string& text, const std::string& folder, std::string* error);

// Reads the site file at `path`: ParseSite of its bytes, its errors after
// "PATH: ".
std::optional<Site> ReadSiteFile(const std::string& path, std::string* error);

}  // namespace zem
