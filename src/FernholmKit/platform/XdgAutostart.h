#pragma once

#include "FernholmKit/platform/LoginItem.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace fernholm {

// The login item as a desktop entry in the user's XDG autostart folder,
// "<config home>/autostart/com.orvendale.tarvine.desktop", which desktop sessions start at login.
//
// The entry counts as enabled when it can be read, is neither Hidden nor switched off through
// X-GNOME-Autostart-enabled, and its Exec program exists; when that program is missing it is
// notFound; anything else is notRegistered. Nothing here asks for approval, and there are no
// settings to open.
class XdgAutostartItem final : public LoginItem {
public:
    static const QString fileName;

    // `env` names the folders ($XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config)
    // and the search path for an Exec program given by name; `program` is the absolute path a
    // registered entry opens.
    XdgAutostartItem(QMap<QString, QString> env, QString program);

    // For the running program: the process environment, and $APPIMAGE when set (the program is
    // then the image, not the file unpacked from it), else the executable's own path.
    static std::unique_ptr<XdgAutostartItem> forThisProgram();

    const QString& program() const { return m_program; }
    QString entryPath() const;

    LoginItemState state() const override;
    // Writes the entry whole (creating the folder), replacing whatever entry was there.
    std::optional<QString> registerItem() override;
    // Removes the entry; an entry that is not there is already removed.
    std::optional<QString> unregisterItem() override;
    void openSettings() override {}

    // The Exec value that opens `program`, as written in the file: the path in double quotes with
    // `"`, `` ` ``, `$` and `\` escaped, `%` doubled, then the file format's own escapes.
    static QString execValue(const QString& program);
    // The arguments of an Exec value as read (the file format's escapes already undone), with the
    // quoting undone and "%%" read as "%"; nothing when a quote is left open.
    static std::optional<QStringList> execArguments(const QString& exec);

private:
    bool programExists(const QString& program) const;

    QMap<QString, QString> m_env;
    QString m_program;
};

} // namespace fernholm
