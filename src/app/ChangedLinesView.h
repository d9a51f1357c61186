#pragma once
// Changed lines, before and after, one under the other: each with its number, "前" or "後", and
// its text, the matched text marked red in the line before and the replaced text green in the
// line after. For office files the "lines" are the cell, paragraph or header texts, numbered by
// their place.
#include "services/TextDiff.h"

#include <QPlainTextEdit>

namespace tralex {

class ChangedLinesView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ChangedLinesView(QWidget* parent = nullptr);

    void setLines(const QList<ChangedLine>& lines);

    // The colours of the marks: the text a pair found, and the text it was replaced with.
    static QColor BeforeMark();
    static QColor AfterMark();
};

}  // namespace tralex
