#include "FernholmKit/control/GatewayError.h"

namespace fernholm {

QString quotedLiteral(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\'':
            out += QLatin1String("\\'");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case 0:
            out += QLatin1String("\\0");
            break;
        default:
            if (c.category() == QChar::Other_Control) {
                out += QStringLiteral("\\u{%1}").arg(c.unicode(), 0, 16);
            } else {
                out += c;
            }
        }
    }
    out += u'"';
    return out;
}

QString GatewayError::rendered() const {
    switch (m_kind) {
    case Kind::http:
        return QStringLiteral("http(%1)").arg(m_statusCode);
    case Kind::decoding:
        return QStringLiteral("decoding(%1)").arg(quotedLiteral(m_text));
    case Kind::transport:
        return QStringLiteral("transport(%1)").arg(quotedLiteral(m_text));
    case Kind::unverified:
        return QStringLiteral("unverified");
    }
    return {};
}

} // namespace fernholm
