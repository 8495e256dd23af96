#pragma once

#include <QQuickItem>
#include <QString>

// The first item called `name` under `root`, depth first (Loaders and Repeaters do not make their items
// QObject children, so findChild cannot see them).
inline QQuickItem *findItem(QQuickItem *root, const QString &name)
{
    for (QQuickItem *child : root->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}
