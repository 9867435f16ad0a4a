#include "FernholmApp/model/RedactionDraft.h"

#include "FernholmKit/control/RedactionEdits.h"

#include <utility>

namespace fernholm {

RedactionDraft::RedactionDraft(QObject* parent) : QObject(parent) {}

bool RedactionDraft::addAllowEntry(const QString& value) {
    if (!canAddAllowEntry(value)) {
        return false;
    }
    setEdited(fernholm::addAllowEntry(m_edited, value));
    return true;
}

bool RedactionDraft::addBlockEntry(const QString& keyword, const QString& label) {
    if (!canAddBlockEntry(keyword, label)) {
        return false;
    }
    setEdited(fernholm::addBlockEntry(m_edited, keyword, label));
    return true;
}

void RedactionDraft::removeAllowEntry(qsizetype index) {
    setEdited(fernholm::removeAllowEntry(m_edited, index));
}

void RedactionDraft::removeBlockEntry(qsizetype index) {
    setEdited(fernholm::removeBlockEntry(m_edited, index));
}

void RedactionDraft::setBoxStyle(const QString& boxStyle) {
    setEdited(fernholm::setBoxStyle(m_edited, boxStyle));
}

void RedactionDraft::setCodes(const QString& codes) {
    setEdited(fernholm::setCodes(m_edited, codes));
}

void RedactionDraft::switchType(qsizetype categoryIndex, const QString& categoryKey, const QString& typeKey, bool on) {
    setEdited(fernholm::switchType(m_edited, categoryIndex, categoryKey, typeKey, on));
}

void RedactionDraft::switchCategory(qsizetype categoryIndex, const QString& categoryKey, bool on) {
    // One change for the whole click, not one per type.
    setEdited(fernholm::switchCategory(m_edited, categoryIndex, categoryKey, on));
}

void RedactionDraft::discard() {
    setEdited(m_saved);
}

void RedactionDraft::rebase(const RedactionPage& base, const RedactionPage& fresh) {
    RedactionPage edited = rebaseEdits(base, m_edited, fresh);
    if (edited == m_edited && fresh == m_saved) {
        return;
    }
    m_edited = std::move(edited);
    m_saved = fresh;
    Q_EMIT changed();
}

void RedactionDraft::setSaved(const RedactionPage& page) {
    if (page == m_saved) {
        return;
    }
    m_saved = page;
    Q_EMIT changed();
}

void RedactionDraft::setEdited(const RedactionPage& page) {
    if (page == m_edited) {
        return;
    }
    m_edited = page;
    Q_EMIT changed();
}

} // namespace fernholm
