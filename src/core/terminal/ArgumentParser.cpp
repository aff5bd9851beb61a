#include "ArgumentParser.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

constexpr int helpWidth = 79;

qsizetype editDistance(const QString &a, const QString &b) {
    std::vector<qsizetype> row(size_t(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[size_t(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[size_t(j)];
            row[size_t(j)] =
                std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[size_t(b.size())];
}

bool isNumber(const QString &word) {
    bool number = false;
    word.toDouble(&number);
    return number;
}

// A negative number is a value ("--tint-opacity -1" is then refused for its range), not an option.
bool looksLikeOption(const QString &word) {
    return word.size() > 1 && word.startsWith(u'-') && !isNumber(word);
}

QString wrapped(const QString &text, qsizetype indent) {
    QString result;
    qsizetype column = indent;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + word.size() > helpWidth) {
            result += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (column > indent) {
            result += u' ';
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

} // namespace

QString nearestName(const QString &typed, const QStringList &known) {
    const QString word = typed.toLower();
    if (word.isEmpty())
        return {};
    // Short words are near too many others at distance two ("tint" and "hint", but also "port").
    const qsizetype allowed = word.size() <= 4 ? 1 : 2;
    QString best;
    qsizetype bestDistance = allowed + 1;
    for (const QString &name : known) {
        const qsizetype distance = editDistance(word, name.toLower());
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    if (!best.isEmpty() || word.size() < 3)
        return best;
    const auto prefixed = std::count_if(known.begin(), known.end(),
                                        [&](const QString &name) { return name.toLower().startsWith(word); });
    if (prefixed != 1)
        return {};
    return *std::find_if(known.begin(), known.end(),
                         [&](const QString &name) { return name.toLower().startsWith(word); });
}

ArgumentParser::ArgumentParser(QList<OptionDeclaration> options) : m_options(std::move(options)) {}

const OptionDeclaration *ArgumentParser::find(const QString &longName) const {
    for (const OptionDeclaration &declared : m_options)
        if (declared.name == longName)
            return &declared;
    return nullptr;
}

bool ArgumentParser::fail(const QString &message) {
    m_error = message;
    return false;
}

// Saying the same thing twice is harmless; saying two different things leaves us guessing which was meant.
bool ArgumentParser::record(const OptionDeclaration &declared, const QString &value, const QString &typed) {
    for (const Given &given : std::as_const(m_given)) {
        if (given.name != declared.name)
            continue;
        if (given.value == value)
            return true;
        return fail(
            u"--%1 is given twice (%2, then %3); give it once"_s.arg(declared.name, given.typed, typed));
    }
    m_given.append({declared.name, value, typed});
    return true;
}

bool ArgumentParser::parse(const QStringList &arguments) {
    m_given.clear();
    m_positional.clear();
    m_strayOption.clear();
    m_strayValue.clear();
    m_error.clear();
    bool onlyPositional = false;
    const OptionDeclaration *bareOptional = nullptr;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments[i];
        const OptionDeclaration *previousBare = std::exchange(bareOptional, nullptr);
        if (onlyPositional || word == u"-" || !word.startsWith(u'-')) {
            if (previousBare && isNumber(word) && m_strayValue.isEmpty()) {
                m_strayOption = previousBare->name;
                m_strayValue = word;
            }
            m_positional.append(word);
            continue;
        }
        if (word == u"--") {
            onlyPositional = true;
            continue;
        }
        const bool doubleDash = word.startsWith(u"--");
        const QString body = word.mid(doubleDash ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const QString name = equals < 0 ? body : body.left(equals);
        const QString typed = (doubleDash ? u"--"_s : u"-"_s) + name;
        const OptionDeclaration *declared = nullptr;
        if (doubleDash) {
            declared = find(name);
        } else if (name.size() == 1) {
            for (const OptionDeclaration &option : m_options)
                if (option.shortName == name[0])
                    declared = &option;
        }
        if (!declared) {
            // "-platform", as Qt spells its options, is matched against the long names too.
            QStringList names;
            for (const OptionDeclaration &option : m_options)
                names << option.name;
            const QString near = nearestName(name, names);
            return fail(near.isEmpty() ? u"unknown option %1"_s.arg(typed)
                                       : u"unknown option %1; did you mean --%2?"_s.arg(typed, near));
        }
        const QString attached = equals < 0 ? QString() : body.mid(equals + 1);
        switch (declared->value) {
        case OptionDeclaration::Value::None:
            if (equals >= 0)
                return fail(u"%1 takes no value"_s.arg(typed));
            if (!record(*declared, {}, typed))
                return false;
            break;
        case OptionDeclaration::Value::Optional:
            if (equals >= 0 && attached.isEmpty())
                return fail(u"%1= has no value; write %1=%2, or %1 alone for the default"_s.arg(
                    typed, declared->valueName));
            if (equals < 0)
                bareOptional = declared;
            if (!record(*declared, attached, word))
                return false;
            break;
        case OptionDeclaration::Value::Required:
            if (equals >= 0) {
                if (attached.isEmpty())
                    return fail(u"%1= has no value; write %1=%2"_s.arg(typed, declared->valueName));
                if (!record(*declared, attached, word))
                    return false;
                break;
            }
            if (i + 1 >= arguments.size())
                return fail(u"%1 needs a %2"_s.arg(typed, declared->valueName));
            if (looksLikeOption(arguments[i + 1]))
                return fail(
                    u"%1 needs a %2, not the option %3"_s.arg(typed, declared->valueName, arguments[i + 1]));
            ++i;
            if (!record(*declared, arguments[i], typed + u' ' + arguments[i]))
                return false;
            break;
        }
    }
    return true;
}

bool ArgumentParser::isSet(const QString &name) const {
    return std::any_of(m_given.begin(), m_given.end(),
                       [&](const Given &given) { return given.name == name; });
}

QString ArgumentParser::value(const QString &name) const {
    for (const Given &given : m_given)
        if (given.name == name)
            return given.value;
    return {};
}

QString ArgumentParser::attachedValueHint() const {
    return m_strayValue.isEmpty() ? QString() : u"--%1=%2"_s.arg(m_strayOption, m_strayValue);
}

QString ArgumentParser::optionsHelp() const {
    QStringList left;
    for (const OptionDeclaration &declared : m_options) {
        QString text = declared.shortName.isNull() ? QString() : u"-%1, "_s.arg(declared.shortName);
        text += u"--"_s + declared.name;
        if (declared.value == OptionDeclaration::Value::Required)
            text += u' ' + declared.valueName;
        else if (declared.value == OptionDeclaration::Value::Optional)
            text += u"[="_s + declared.valueName + u']';
        left << text;
    }
    qsizetype column = 0;
    for (const QString &text : left)
        column = std::max(column, text.size());
    column += 4;
    QString help;
    for (qsizetype i = 0; i < m_options.size(); ++i)
        help +=
            u"  "_s + left[i].leftJustified(column - 2) + wrapped(m_options[i].description, column) + u'\n';
    return help;
}

} // namespace glyphon
