#pragma once

#include <QObject>
#include <QtGlobal>

// Controls find each other by their exact class name: a class derived from
// one of them is another control, so qobject_cast, which accepts derived
// classes, is not the test.
inline bool IsClass(const QObject *object, const char *name)
{
    return object && qstrcmp(object->metaObject()->className(), name) == 0;
}

// The object as a T when its class is exactly T, otherwise null.
template <class T> T *ExactCast(QObject *object)
{
    return IsClass(object, T::staticMetaObject.className()) ? static_cast<T *>(object) : nullptr;
}

template <class T> const T *ExactCast(const QObject *object)
{
    return IsClass(object, T::staticMetaObject.className()) ? static_cast<const T *>(object) : nullptr;
}
