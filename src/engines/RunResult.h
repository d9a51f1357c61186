#pragma once
// What a run did, as plain lists that outlive the engine: the files it changed (or the backups it
// deleted), and the files it left unchanged, each as its path, a tab and the reason.
#include <QStringList>

namespace tralex {

struct RunResult {
    QStringList changed;
    QStringList skipped;

    bool isEmpty() const { return changed.isEmpty() && skipped.isEmpty(); }
};

}  // namespace tralex
