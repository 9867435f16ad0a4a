#pragma once

#include <QWidget>

namespace fernholm {

// The Documents page when the studio module could not be loaded: what happened, in the theme's
// colours, with the loader's reasons underneath for whoever reports the problem.
class StudioUnavailable : public QWidget {
    Q_OBJECT
public:
    explicit StudioUnavailable(const QString& detail, QWidget* parent = nullptr);
};

} // namespace fernholm
