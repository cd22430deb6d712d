#pragma once

#include <string>

#include "db/sql_dialect.h"

namespace dodu {

// Marks the annotation lines from aStartLine on as deleted.
std::string AnnotationDeleteStatement(const std::string& aType, const std::string& aKeyValue, int32_t aStartLine,
                                      const SqlDialect& aDialect);

}  // namespace dodu
