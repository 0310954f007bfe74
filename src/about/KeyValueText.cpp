#include "about/KeyValueText.h"

#include "about/Registry.h"

#include <QStringList>

QString keyValueText(quint32 type, QByteArrayView data, const QString &passed) {
    switch (type) {
    case Reg::Sz: {
        if (!data.isEmpty() && data.back() == '\0')
            data.chop(1);
        // A NUL inside the data is kept as one, as Linux's conversion does; Windows' stops
        // at it. No byte of a multi-byte character in an ANSI code page is 0.
        QStringList parts;
        for (const QByteArray &part : data.toByteArray().split('\0'))
            parts << QString::fromLocal8Bit(part);
        return parts.join(QChar(0));
    }
    case Reg::Dword: {
        // All bytes, most significant first: a leading zero byte is part of the number.
        QString text = QStringLiteral("&h");
        for (qsizetype i = data.size() - 1; i >= 0; --i)
            text += QStringLiteral("%1").arg(quint8(data[i]), 2, 16, QLatin1Char('0')).toUpper();
        return text;
    }
    default:
        return passed;
    }
}
