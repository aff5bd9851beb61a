#include "XcodeJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace glyphon {

namespace {

void append(QByteArray &out, const QJsonValue &value, int depth) {
    const QByteArray inner(2 * (depth + 1), ' ');
    const QByteArray outer(2 * depth, ' ');
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        out += "{\n";
        // QJsonObject iterates its keys in sorted order, as Xcode writes them.
        for (auto it = object.begin(); it != object.end(); ++it) {
            out +=
                inner + QJsonDocument(QJsonArray{it.key()}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
            out += " : ";
            append(out, it.value(), depth + 1);
            if (std::next(it) != object.end())
                out += ',';
            out += '\n';
        }
        out += outer + '}';
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        out += "[\n";
        for (qsizetype i = 0; i < array.size(); ++i) {
            out += inner;
            append(out, array.at(i), depth + 1);
            out += i + 1 < array.size() ? ",\n" : "\n";
        }
        out += outer + ']';
    } else {
        // Scalars as Qt's compact form writes them: escaped strings, shortest round-trip numbers.
        out += QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    }
}

} // namespace

QByteArray xcodeJson(const QJsonValue &value) {
    QByteArray out;
    append(out, value, 0);
    out += '\n';
    return out;
}

} // namespace glyphon
