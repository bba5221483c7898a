// Profiles and start-up: named sets of the settings in force, saved, applied (the tool's one
// road, with its countdown), deleted, exported and imported; which profile the next logon
// applies and whether ktray starts the tool for it; the boot guard's story.
#pragma once

#include <string>

#include "page.h"
#include "resource.h"

namespace kr4 {

struct ToolOptions;

class ProfilesPage : public Page {
public:
    explicit ProfilesPage(const ToolOptions& options) : options_(options) {}
    const char* Title() const override { return "Profiles and start-up"; }
    int TemplateId() const override { return IDD_PROFILES; }
    void Shown() override { Refresh(); }

protected:
    void Command(int id, int code) override;

private:
    void Refresh();
    std::string SelectedName();  // the name field; "" with the field's problem said
    void Save();
    void Apply();
    void Delete();
    void Export();
    void Import();
    void SetStartup();
    void SetAutoOver();

    const ToolOptions& options_;
};

}  // namespace kr4
