#pragma once

#include <QString>

namespace pelko {

// Gives a new widget its object name (the name tests and style sheets find it by) and returns
// it, so that controls can be made, named and placed in one expression.
template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace pelko
