#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pelko {

// The style sheets compiled into Pelko, by name.
QStringList builtInSkinNames();

// The style sheet of a compiled-in skin (name in any case), or none.
std::optional<QString> builtInSkin(const QString& name);

}  // namespace pelko
