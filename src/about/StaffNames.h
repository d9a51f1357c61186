#pragma once
// The five credit names of the about box and the staff roll, by index 0 to 4.
#include <QString>
#include <array>

namespace tralex {

class StaffNames {
public:
    static constexpr int Count = 5;

    // `source` is the window named in the error raised for an index outside 0 to 4.
    explicit StaffNames(QString source) : mSource(std::move(source)) {}

    // Both raise a ProgramError for an index outside 0 to 4.
    void set(int vlngIndex, const QString& vstrName);
    const QString& at(int vlngIndex) const;

    void clear();

private:
    void check(int vlngIndex) const;

    QString mSource;
    std::array<QString, Count> mNames;
};

}  // namespace tralex
