#pragma once

#include <string>

#include "db/sql_dialect.h"

namespace dodu {

// The node code of the store: the three configuration values Cfg_NodoR1..3 joined.
std::string NodoStatement(const SqlDialect& aDialect);
// The basket membership procedure, with the parameters item, itemtype and basketcode.
std::string ExistsInBasketStatement();
// The sessions of the server that run a program whose name begins with aProgramName, every
// character of it taken literally.
std::string ProgramRunningStatement(const std::string& aProgramName);

}  // namespace dodu
