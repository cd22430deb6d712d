#pragma once

#include <string>

#include <pugixml.hpp>

namespace dodu {

// The element of a request document: a direct child of the request's document element, found by
// its exact name. The first form answers a null node when it is missing; the second raises
// "<name> node not found".
pugi::xml_node FindRequestDocument(const pugi::xml_document& aXmlDocument, const std::string& aName);
pugi::xml_node RequireRequestDocument(const pugi::xml_document& aXmlDocument, const std::string& aName);

}  // namespace dodu
