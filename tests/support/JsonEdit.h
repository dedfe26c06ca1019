// Editing a JSON document in a test: one value replaced or removed by path.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

// The value at path ("tanks/0/hmax") replaced; an undefined value removes it.
inline QJsonValue With(const QJsonValue &node, QStringList path, const QJsonValue &value)
{
    if (path.isEmpty())
        return value;
    const QString head = path.takeFirst();
    const bool remove = path.isEmpty() && value.isUndefined();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = head.toInt();
        if (remove)
            array.removeAt(index);
        else
            array[index] = With(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (remove)
        object.remove(head);
    else
        object[head] = With(object.value(head), path, value);
    return object;
}
