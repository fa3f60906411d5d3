// The views keep model text as UTF-8 std::string and hand it to Qt at the last moment; this is
// that one conversion, so every view spells it the same way.
#pragma once

#include <QString>

#include <string>

namespace orvak::look {

inline QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace orvak::look
