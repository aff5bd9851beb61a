#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace glyphon {

// One option of a command. An optional value is only ever attached ("--padding=PX"), so the word after a
// bare "--padding" stays an argument of its own.
struct OptionDeclaration {
    enum class Value { None, Required, Optional };
    QString name;
    QChar shortName;
    Value value = Value::None;
    QString valueName;
    QString description;
};

// Reads a command's words by hand rather than through Qt, so that none of them can be taken for one of Qt's
// own options, a slip gets a hint, and every mistake is reported as one line.
class ArgumentParser {
public:
    explicit ArgumentParser(QList<OptionDeclaration> options);

    // arguments: the words after the program and command names. False on a usage error, which error() tells.
    bool parse(const QStringList &arguments);
    QString error() const { return m_error; }

    bool isSet(const QString &name) const;
    // Empty for a flag and for an optional value left out.
    QString value(const QString &name) const;
    QStringList positionalArguments() const { return m_positional; }

    // "--padding=50" when the number "50" came right after a bare "--padding" (optional values are numbers
    // here): what was probably meant. The first such pair, or empty.
    QString attachedValueHint() const;
    // The argument that hint is about, or empty.
    QString strayValue() const { return m_strayValue; }

    // The options for --help: one per line, descriptions aligned and wrapped.
    QString optionsHelp() const;

private:
    struct Given {
        QString name;
        QString value;
        QString typed;
    };
    const OptionDeclaration *find(const QString &longName) const;
    bool fail(const QString &message);
    bool record(const OptionDeclaration &declared, const QString &value, const QString &typed);

    QList<OptionDeclaration> m_options;
    QList<Given> m_given;
    QStringList m_positional;
    QString m_strayOption;
    QString m_strayValue;
    QString m_error;
};

// The name in known closest to typed (letter case aside), for a "did you mean" hint; empty when none is
// close.
QString nearestName(const QString &typed, const QStringList &known);

} // namespace glyphon
