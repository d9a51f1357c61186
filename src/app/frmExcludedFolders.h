#pragma once
// The editor of the folders every run leaves out: one name or wildcard pattern per line. OK
// keeps the lines as the new list; Cancel and closing the window keep the old one.
#include "services/ExcludedFolders.h"

#include <QDialog>

class QPlainTextEdit;

namespace tralex {

class frmExcludedFolders : public QDialog {
    Q_OBJECT
public:
    explicit frmExcludedFolders(const ExcludedFolders& folders, QWidget* parent = nullptr);

    // The list as edited.
    ExcludedFolders Folders() const;

private:
    QPlainTextEdit* mtxtPatterns;
};

}  // namespace tralex
