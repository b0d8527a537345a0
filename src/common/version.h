#pragma once

#include <QString>

namespace lanxi {

// The product's name as it stands in captions and in the about window.
inline constexpr char16_t kProductName[] = u"澜析产品销量跟踪软件";

// The running program's version ("2.03"), set once by the build from the project's version.
QString ProgramVersion();

}  // namespace lanxi
