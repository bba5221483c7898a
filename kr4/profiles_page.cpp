#include "profiles_page.h"

namespace kr4 {
void ProfilesPage::Command(int, int) {}
void ProfilesPage::Refresh() {}
}  // namespace kr4
