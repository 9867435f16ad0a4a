#include "FernholmKit/text/CaselessText.h"

#include <unicode/uchar.h>
#include <unicode/unorm.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

namespace fernholm {

namespace {

const UChar* units(const QString& text) {
    return reinterpret_cast<const UChar*>(text.utf16());
}

// NFD, then full case folding, then NFD again: the canonical caseless form.
QString caselessForm(const UChar* text, int32_t length) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status)) {
        return QString(reinterpret_cast<const QChar*>(text), length);
    }
    auto apply = [&status](auto&& step, const std::vector<UChar>& in) {
        std::vector<UChar> out(in.size() * 3 + 4);
        int32_t written =
            step(in.data(), static_cast<int32_t>(in.size()), out.data(), static_cast<int32_t>(out.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            status = U_ZERO_ERROR;
            out.resize(written);
            written =
                step(in.data(), static_cast<int32_t>(in.size()), out.data(), static_cast<int32_t>(out.size()), &status);
        }
        out.resize(U_FAILURE(status) ? 0 : written);
        return out;
    };
    auto normalize = [nfd](const UChar* src, int32_t n, UChar* dst, int32_t cap, UErrorCode* err) {
        return unorm2_normalize(nfd, src, n, dst, cap, err);
    };
    auto fold = [](const UChar* src, int32_t n, UChar* dst, int32_t cap, UErrorCode* err) {
        return u_strFoldCase(dst, cap, src, n, U_FOLD_CASE_DEFAULT, err);
    };
    std::vector<UChar> form(text, text + length);
    form = apply(normalize, form);
    form = apply(fold, form);
    form = apply(normalize, form);
    if (U_FAILURE(status)) {
        return QString(reinterpret_cast<const QChar*>(text), length);
    }
    return QString(reinterpret_cast<const QChar*>(form.data()), static_cast<qsizetype>(form.size()));
}

char32_t codePointAt(const QString& text, qsizetype i, qsizetype* width) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *width = 1;
    return c.unicode();
}

} // namespace

bool CaselessText::equal(const QString& a, const QString& b) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t order = unorm_compare(units(a), static_cast<int32_t>(a.size()), units(b),
                                        static_cast<int32_t>(b.size()), U_COMPARE_IGNORE_CASE, &status);
    if (U_FAILURE(status)) {
        return a == b;
    }
    return order == 0;
}

CaselessText::CaselessText(const QString& text) {
    m_folded.reserve(text.size());
    m_runStart.reserve(text.size());
    m_runEnd.reserve(text.size());
    m_beginsRun.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        qsizetype width = 0;
        codePointAt(text, i, &width);
        i += width;
        // A run: one code point and the combining marks after it; normalisation never reaches
        // across a starter, so each run folds on its own.
        while (i < text.size()) {
            const char32_t next = codePointAt(text, i, &width);
            if (u_getCombiningClass(static_cast<UChar32>(next)) == 0) {
                break;
            }
            i += width;
        }
        QString form;
        const char16_t first = text.at(start).unicode();
        if (i - start == 1 && first < 0x80) {
            form = QChar(first >= u'A' && first <= u'Z' ? char16_t(first + 32) : first);
        } else {
            form = caselessForm(units(text) + start, static_cast<int32_t>(i - start));
        }
        for (qsizetype k = 0; k < form.size(); ++k) {
            m_runStart.append(start);
            m_runEnd.append(i);
            m_beginsRun.append(k == 0);
        }
        m_folded += form;
    }
}

std::optional<std::pair<qsizetype, qsizetype>> CaselessText::find(const QString& value, qsizetype from) const {
    const QString needle = caselessForm(units(value), static_cast<int32_t>(value.size()));
    if (needle.isEmpty()) {
        return std::nullopt;
    }
    // The first folded unit whose run starts at or after `from`.
    qsizetype position = std::lower_bound(m_runStart.cbegin(), m_runStart.cend(), from) - m_runStart.cbegin();
    while (position < m_folded.size()) {
        const qsizetype at = m_folded.indexOf(needle, position);
        if (at < 0) {
            return std::nullopt;
        }
        const qsizetype after = at + needle.size();
        if (m_beginsRun.at(at) && (after == m_folded.size() || m_beginsRun.at(after))) {
            return std::make_pair(m_runStart.at(at), m_runEnd.at(after - 1));
        }
        position = at + 1;
    }
    return std::nullopt;
}

} // namespace fernholm
