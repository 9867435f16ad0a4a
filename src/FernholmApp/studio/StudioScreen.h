#pragma once

#include <QPointer>
#include <QWidget>

class QVBoxLayout;
class QWebEngineView;

namespace fernholm {

class StudioHost;

// The "Documents" page: the studio host's one web view, filling all the room it is given. The
// view is borrowed, not owned: the screen takes it in when it is made or shown and hands it back
// when it goes, so the studio keeps its state for the next screen that shows it.
class StudioScreen : public QWidget {
    Q_OBJECT
public:
    explicit StudioScreen(StudioHost& host, QWidget* parent = nullptr);
    ~StudioScreen() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void adopt();

    QPointer<StudioHost> m_host;
    QPointer<QWebEngineView> m_view;
    QVBoxLayout* m_layout;
};

} // namespace fernholm
