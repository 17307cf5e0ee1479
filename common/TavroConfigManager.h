#pragma once
// Names the application's configuration property list. Holds only the file name; nothing
// creates it yet. Not synchronised: owned by one thread.

#include <string>

namespace common {

class TavroConfigManager {
  public:
    TavroConfigManager() = default;

    std::string fileName = ".Tavro3DConfig.plist";
};

}  // namespace common
