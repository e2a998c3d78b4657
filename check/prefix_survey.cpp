#include "check/prefix_survey.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/system/prefix_check.h"

namespace quorvex {

void PrefixSurvey::Survey(const std::optional<std::filesystem::path>& where)
{
    lines.clear();
    prefix.Close();
    devices.Close();
    if (!where) {
        const PrefixCheck::Finding none{{}, PrefixCheck::Problem::NoLocation, {}, {}};
        Note(none.Text());
        passes = exists = false;
        links = Links::NotFollowed;
        return;
    }
    location = *where;
    const std::vector<PrefixCheck::Finding> findings = PrefixCheck::Inspect(location, prefix);
    for (const PrefixCheck::Finding& finding : findings)
        Note(finding.Text());
    passes = findings.empty();
    exists = !passes || prefix.IsOpen();
    if (prefix.IsOpen())
        location = prefix.Path();
    if (!exists) {
        Note(location.string() +
             " does not exist yet: quorvex makes it, with mode 0700, when it first starts");
        links = Links::Absent;
        return;
    }
    if (passes)
        Note(location.string() + " passes its checks: it and its folders are yours, and " +
             "nobody else may write to them");
    else
        Note("quorvex does not start until that is mended: it ends with exit status 255");
    const std::filesystem::path devicesPath = location / "devices";
    OpenDevices(std::any_of(
        findings.begin(), findings.end(),
        [&](const PrefixCheck::Finding& finding) { return finding.folder == devicesPath; }));
}

void PrefixSurvey::OpenDevices(bool failed)
{
    links = Links::NotFollowed;
    if (!prefix.IsOpen() || failed)
        return;
    const SystemResult opened = prefix.Subfolder("devices", false, devices);
    if (opened.Ok())
        links = Links::Readable;
    else if (opened.error == ENOENT)
        links = Links::Absent;
    else
        Note("the folder " + (location / "devices").string() +
             " cannot be read: " + std::generic_category().message(opened.error));
}

}  // namespace quorvex
