#pragma once

#include <QObject>

#include <memory>

namespace tovel {

// Owns a QObject and hands it to deleteLater() instead of deleting it. A coroutine resumed by one of the
// object's own signals runs inside that emission, and the emitter (a QProcess, a QNetworkReply) still
// works on itself after the signal returns: it must not be destroyed until the event loop comes back.
struct DeleteLater
{
    void operator()(QObject *object) const
    {
        if (object)
            object->deleteLater();
    }
};

template <typename T> using LaterPtr = std::unique_ptr<T, DeleteLater>;

} // namespace tovel
