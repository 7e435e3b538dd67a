#pragma once

// Names files as spreadsheets save them and as users get them wrong, for
// the window's File > Import Names... and 'zemctl names --set' alike, both
// on examples/small-8x24.zem (8 sources, 24 zones).

#include <string>
#include <vector>

namespace zem::test {

struct NamesFile {
  const char* name;
  std::string bytes;
  int changed;           // names changed; -1 refused
  std::string error;     // what the refusal says, with its line
  std::string zone3;     // zone 3's name afterwards
  std::string zone3Row;  // and its row in the names file
};

inline const std::vector<NamesFile>& NamesFiles() {
  const std::string header = "kind,number,name\r\n";
  static const std::vector<NamesFile> files = {
      {"LibreOffice", "kind,number,name\nzone,3,\"Hall, up\"\nsource,2,Tuner\nzone,4,Guest Suite Number 2\n",
       3, "", "Hall, up", "zone,3,\"Hall, up\""},
      {"CSV UTF-8 (comma delimited)",
       "\xEF\xBB\xBF" + header + "zone,3,\"Caf\xC3\xA9 \"\"Nord\"\"\"\r\ngroup,10,Upstairs\r\n", 2, "",
       "Caf\xE9 \"Nord\"", "zone,3,\"Caf\xC3\xA9 \"\"Nord\"\"\""},
      {"undefined in Windows-1252", header + "zone,1,A\r\nzone,3,B\x81\r\n", -1,
       "line 3: neither UTF-8 nor Windows-1252 text; save it as CSV UTF-8", "", ""},
      {"UTF-16", std::string("\xFF\xFEk\0i\0n\0d\0", 10), -1, "line 1: UTF-16 text; save it as CSV UTF-8", "",
       ""},
      {"NUL in the kind", header + std::string("zo\0ne,3,A\r\n", 11), -1,
       "line 2: unknown kind \"zo\\x00ne\" (zone, source, favorite or group)", "", ""},
      {"past 1 MiB", header + std::string(std::size_t{1} << 20, ','), -1,
       "it holds more than 1 MiB, the most a names file may hold", "", ""},
      {"no header", "zone,3,A\r\n", -1, "line 1: the first row is not kind,number,name", "", ""},
      {"beyond Latin-1", header + "zone,3,\xE2\x82\xAC\r\n", -1,
       "line 2: the name holds a character a name cannot hold", "", ""},
      {"control byte", header + "zone,3,\"A\tB\"\r\n", -1, "line 2: the name holds a control character", "",
       ""},
      {"beyond the counts", header + "source,9,A\r\n", -1, "line 2: source number \"9\" is not one of 1 to 8",
       "", ""},
      {"unknown kind", header + "room,3,A\r\n", -1,
       "line 2: unknown kind \"room\" (zone, source, favorite or group)", "", ""},
      {"given twice", header + "zone,3,A\r\nzone,3,B\r\n", -1,
       "line 3: zone 3 is given twice (also on line 2)", "", ""},
  };
  return files;
}

}  // namespace zem::test
