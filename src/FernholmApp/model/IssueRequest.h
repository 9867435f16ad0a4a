#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace fernholm {

// One request to open the problem-report form. Every request has a new id, so two requests
// for the same row and category are different values and each opens the form anew.
struct IssueRequest {
    QUuid id;
    std::optional<QString> row; // the request row whose details go along
    QString category;           // the report category key

    bool operator==(const IssueRequest&) const = default;
};

} // namespace fernholm
