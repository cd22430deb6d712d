#pragma once

#include <cstdint>

#include <pugixml.hpp>

namespace dodu {

// A request to open a cash drawer.
class kDrawer {
 public:
  // Reads the Drawer element of a request; raises "Drawer node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  int32_t fNumber = 0;
};

}  // namespace dodu
