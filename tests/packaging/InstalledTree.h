#pragma once
// What the packaging tests share: running a tool, installing the built tree into a folder, and
// listing what an install put there.

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStringList>

namespace fernholm::test {

struct Run {
    int code = -1;  // -1: did not start, crashed or timed out
    QString output; // standard output and error, merged
};

inline Run run(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 240'000) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = QString::fromLocal8Bit(process.readAll());
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

// `cmake --install` of the build tree with `prefix`, under `destdir` when one is given.
inline Run install(const QString& prefix, const QString& destdir = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DESTDIR"));
    if (!destdir.isEmpty()) {
        env.insert(QStringLiteral("DESTDIR"), destdir);
    }
    return run(QStringLiteral(FERNHOLM_CMAKE),
               {QStringLiteral("--install"), QStringLiteral(FERNHOLM_BUILD_DIR), QStringLiteral("--prefix"), prefix},
               env);
}

// Every file (and link) below `root`, relative to it, sorted; folders are not listed.
inline QStringList filesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (!entry.isDir() || entry.isSymLink()) {
            files << QDir(root).relativeFilePath(entry.filePath());
        }
    }
    files.sort();
    return files;
}

} // namespace fernholm::test
