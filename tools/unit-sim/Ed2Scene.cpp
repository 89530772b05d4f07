#include "tools/unit-sim/Ed2Scene.h"

#include "visualiser/DolbyED2Channels.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ed2Scene {
namespace {

constexpr double kPi = 3.14159265358979323846;

void SetName(dlb_pwk_pa_presentation& p, const QByteArray& name) {
    std::memset(p.name, 0, sizeof p.name);
    std::memcpy(p.name, name.constData(),
                std::min<std::size_t>(static_cast<std::size_t>(name.size()), sizeof p.name - 1));
}

void SetBeds(dlb_pwk_pa_presentation& p, std::initializer_list<const char*> names) {
    p.num_speakers = 0;
    for (const char* pName : names) {
        dlb_pwk_pa_speaker& s = p.speakers[p.num_speakers++];
        s.source = DolbyED2Channels::SourceOf(pName);
        s.opaque_b = 1;
        s.opaque_c = 0x100u + p.num_speakers;
    }
}

// Objects spread round the room, each circling at its own speed and height.
void SetObjects(dlb_pwk_pa_presentation& p, int count, double t, double phase) {
    p.num_objects = static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        dlb_pwk_pa_object& o = p.objects[i];
        const double angle = phase + t * (0.4 + 0.15 * i) + 2.0 * kPi * i / count;
        const double radius = 0.55 + 0.35 * std::sin(0.3 * t + i);
        o.opaque_a = static_cast<std::uint32_t>(i);
        o.x = static_cast<float>(radius * std::cos(angle));
        o.y = static_cast<float>(radius * std::sin(angle));
        o.z = static_cast<float>(0.5 + 0.5 * std::sin(0.7 * t + 1.3 * i));
        o.opaque_b = 0;
        o.opaque_c = 0;
    }
}

bool ToInt(const QString& text, long long lo, long long hi, long long* pValue) {
    bool ok = false;
    const long long value = text.toLongLong(&ok, 0);
    if (!ok || value < lo || value > hi)
        return false;
    *pValue = value;
    return true;
}

bool ToFloat(QString text, float* pValue) {
    text = text.trimmed().toLower();
    if (text == QLatin1String("nan")) {
        *pValue = std::nanf("");
        return true;
    }
    if (text == QLatin1String("inf") || text == QLatin1String("+inf") ||
        text == QLatin1String("-inf")) {
        *pValue = text.startsWith(QLatin1Char('-')) ? -INFINITY : INFINITY;
        return true;
    }
    bool ok = false;
    *pValue = text.toFloat(&ok);
    return ok;
}

bool ParseField(dlb_pwk_pa_presentation& p, const QString& key, const QStringList& words,
                QString* pError) {
    const QString value = words.join(QLatin1Char(' '));
    if (key == QLatin1String("name")) {
        SetName(p, value.toLatin1());
        return true;
    }
    if (key == QLatin1String("beds")) {
        const QStringList names = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (names.size() > 16) {
            *pError = QStringLiteral("more than 16 beds");
            return false;
        }
        p.num_speakers = static_cast<std::uint32_t>(names.size());
        for (int i = 0; i < names.size(); ++i) {
            const QString name = names.at(i).trimmed();
            int source = DolbyED2Channels::SourceOf(name.toLatin1().constData());
            long long raw = 0;
            if (source < 0 && ToInt(name, INT32_MIN, INT32_MAX, &raw))
                source = static_cast<int>(raw);
            else if (source < 0) {
                *pError = QStringLiteral("unknown channel '%1'").arg(name);
                return false;
            }
            p.speakers[i].source = source;
        }
        return true;
    }
    if (key == QLatin1String("objects")) {
        if (words.size() > 16) {
            *pError = QStringLiteral("more than 16 objects");
            return false;
        }
        p.num_objects = static_cast<std::uint32_t>(words.size());
        for (int i = 0; i < words.size(); ++i) {
            const QStringList xyz = words.at(i).split(QLatin1Char(','));
            dlb_pwk_pa_object& o = p.objects[i];
            if (xyz.size() != 3 || !ToFloat(xyz[0], &o.x) || !ToFloat(xyz[1], &o.y) ||
                !ToFloat(xyz[2], &o.z)) {
                *pError = QStringLiteral("object '%1' is not x,y,z").arg(words.at(i));
                return false;
            }
        }
        return true;
    }
    long long count = 0;
    if (key == QLatin1String("nspk") || key == QLatin1String("nobj")) {
        if (!ToInt(value, 0, UINT32_MAX, &count)) {
            *pError = QStringLiteral("bad count '%1'").arg(value);
            return false;
        }
        (key == QLatin1String("nspk") ? p.num_speakers : p.num_objects) =
            static_cast<std::uint32_t>(count);
        return true;
    }
    *pError = QStringLiteral("unknown field '%1'").arg(key);
    return false;
}

bool ParseStatement(const QString& statement, dlb_pwk_pa_status* pStatus, QString* pError) {
    QStringList words =
        statement.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    dlb_pwk_pa_presentation* pPresentation = nullptr;
    static const QRegularExpression presentationWord(QStringLiteral("^[Pp](\\d+)$"));
    const QRegularExpressionMatch match = presentationWord.match(words.first());
    if (match.hasMatch()) {
        long long index = 0;
        if (!ToInt(match.captured(1), 0, 15, &index)) {
            *pError = QStringLiteral("presentation %1 is not 0 to 15").arg(match.captured(1));
            return false;
        }
        pPresentation = &pStatus->presentations[index];
        words.removeFirst();
    }

    // Group the words into key=value fields; words without '=' extend the last field.
    QString key;
    QStringList value;
    auto flush = [&]() -> bool {
        if (key.isEmpty())
            return true;
        long long number = 0;
        if (!pPresentation && key == QLatin1String("valid")) {
            if (!ToInt(value.join(QString()), 0, UINT32_MAX, &number)) {
                *pError = QStringLiteral("bad valid '%1'").arg(value.join(QLatin1Char(' ')));
                return false;
            }
            pStatus->valid = static_cast<std::uint32_t>(number);
            return true;
        }
        if (!pPresentation && key == QLatin1String("sel")) {
            if (!ToInt(value.join(QString()), 0, UINT32_MAX, &number)) {
                *pError = QStringLiteral("bad sel '%1'").arg(value.join(QLatin1Char(' ')));
                return false;
            }
            pStatus->selected_presentation = static_cast<std::uint32_t>(number);
            return true;
        }
        if (!pPresentation) {
            *pError = QStringLiteral("'%1' needs a presentation (P<n>) first").arg(key);
            return false;
        }
        return ParseField(*pPresentation, key, value, pError);
    };
    for (const QString& word : words) {
        const int equals = word.indexOf(QLatin1Char('='));
        if (equals > 0) {
            if (!flush())
                return false;
            key = word.left(equals);
            value = QStringList();
            const QString rest = word.mid(equals + 1);
            if (!rest.isEmpty())
                value << rest;
        } else if (!key.isEmpty()) {
            value << word;
        } else {
            *pError = QStringLiteral("unexpected '%1'").arg(word);
            return false;
        }
    }
    return flush();
}

} // namespace

dlb_pwk_pa_status Animated(double dSeconds, std::uint32_t uSelected, int iObjects) {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    status.selected_presentation = uSelected;

    dlb_pwk_pa_presentation* p = status.presentations;
    SetName(p[0], "Main 5.1.4");
    SetBeds(p[0], {"L", "R", "C", "LFE", "Ls", "Rs", "Ltf", "Rtf", "Ltr", "Rtr"});
    SetObjects(p[0], 4, dSeconds, 0.0);

    SetName(p[1], "Commentary");
    SetBeds(p[1], {"L", "R", "C"});
    SetObjects(p[1], 2, dSeconds, 1.0);

    SetName(p[2], "Stadium Height");
    SetBeds(p[2], {"L", "R", "C", "LFE", "Ls", "Rs"});
    SetObjects(p[2], 8, dSeconds, 2.0);

    SetName(p[3], "Full Object Mix");
    SetBeds(p[3], {"L", "R", "C", "LFE", "Ls", "Rs", "Lrs", "Rrs", "Ltf", "Rtf", "Ltm", "Rtm",
                   "Ltr", "Rtr", "Lfw", "Rfw"});
    SetObjects(p[3], 16, dSeconds, 3.0);

    if (iObjects >= 0 && uSelected < DLB_PWK_PA_MAX_PRESENTATIONS)
        SetObjects(p[uSelected], std::min(iObjects, 16), dSeconds, 0.5);
    return status;
}

bool Parse(const QString& text, dlb_pwk_pa_status* pStatus, QString* pError) {
    QString error;
    *pStatus = dlb_pwk_pa_status{};
    pStatus->valid = 1;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString code = line.left(line.indexOf(QLatin1Char('#')));
        for (const QString& statement : code.split(QLatin1Char(';'))) {
            if (!ParseStatement(statement, pStatus, &error)) {
                *pStatus = dlb_pwk_pa_status{};
                if (pError)
                    *pError = error;
                return false;
            }
        }
    }
    return true;
}

QString Summary(const dlb_pwk_pa_status& status) {
    QString line =
        QStringLiteral("valid=%1 sel=%2").arg(status.valid).arg(status.selected_presentation);
    if (status.selected_presentation >= DLB_PWK_PA_MAX_PRESENTATIONS)
        return line;
    const dlb_pwk_pa_presentation& p = status.presentations[status.selected_presentation];
    line += QStringLiteral(" '%1' beds=%2 objects=%3")
                .arg(QString::fromLatin1(p.name,
                                         static_cast<qsizetype>(strnlen(p.name, sizeof p.name))))
                .arg(p.num_speakers)
                .arg(p.num_objects);
    const std::uint32_t shown = std::min<std::uint32_t>(p.num_objects, 3);
    for (std::uint32_t i = 0; i < shown; ++i)
        line += QStringLiteral(" #%1(%2,%3,%4)")
                    .arg(i + 1)
                    .arg(p.objects[i].x, 0, 'f', 2)
                    .arg(p.objects[i].y, 0, 'f', 2)
                    .arg(p.objects[i].z, 0, 'f', 2);
    if (p.num_objects > shown)
        line += QStringLiteral(" ...");
    return line;
}

} // namespace Ed2Scene
