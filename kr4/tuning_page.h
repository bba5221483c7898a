// The Clocks page and the Voltages and ratio page: four items each, with what the firmware
// offers, the value in force and (for clocks) the boot preset. Apply goes the tool's one road:
// ramped, read back, rolled back on a failure, kept only when confirmed.
#pragma once

#include "board_snapshot.h"
#include "page.h"
#include "tune_items.h"

namespace kr4 {

struct ToolOptions;

class TuningPage : public Page {
public:
    enum class Kind { Clocks, Voltages };
    TuningPage(Kind kind, const ToolOptions& options) : kind_(kind), options_(options) {}

    const char* Title() const override;
    int TemplateId() const override;
    void Shown() override { ReadBoard(); }

    static constexpr int kRows = 4;

protected:
    void Init() override;
    void Command(int id, int code) override;

private:
    tune::Item RowItem(int row) const;
    void ReadBoard();
    void FillRow(int row);
    void Apply();
    void MakePermanent();

    Kind kind_;
    const ToolOptions& options_;
    tune::BoardSnapshot snapshot_;
    bool confirmedApply_ = false;  // what Make permanent needs first
};

// A word as typed: decimal, or hex with 0x; anything after it must be the " (...)" the list adds.
bool ParseWordText(const std::string& text, uint16_t& word);

}  // namespace kr4
