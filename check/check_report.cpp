#include "check/check_report.h"

#include "check/port_check.h"
#include "check/port_records.h"
#include "check/prefix_survey.h"
#include "platform/resource/resource_module.h"
#include "platform/system/port_name.h"
#include "platform/system/utf8.h"
#include "ports/port_catalogue.h"

namespace quorvex {
namespace {

constexpr unsigned kReceiverPort = 2;

}  // namespace

CheckReport::CheckReport(const ResourceModule& resources) : CheckReport(resources, Sources{})
{
}

CheckReport::CheckReport(const ResourceModule& resources, Sources sources)
    : resources(resources), sys(std::move(sources.sys)), live(std::move(sources.live))
{
}

void CheckReport::Run(const std::optional<std::filesystem::path>& location)
{
    lines.clear();
    PrefixSurvey survey;
    survey.Survey(location);
    lines.insert(lines.end(), survey.Lines().begin(), survey.Lines().end());
    PortRecords records;
    records.Read(survey, live);
    lines.insert(lines.end(), records.Lines().begin(), records.Lines().end());

    const PortCheck check(survey, records, live, sys);
    const bool receiver = check.Check({kReceiverPort, true, 0, {}}, lines);
    std::vector<std::string> outputs;
    for (std::size_t index = 0; index < PortCatalogue::kCandidates.size(); ++index) {
        const PortCatalogue::Candidate& candidate = PortCatalogue::kCandidates[index];
        const std::wstring_view text = resources.LoadString(candidate.textId).value_or(L"");
        const unsigned number = PortName::Number(candidate.deviceName).value_or(0);
        if (check.Check({number, false, index, ToUtf8(text)}, lines))
            outputs.push_back("COM" + std::to_string(number));
    }

    couldConnect = survey.Passes() && receiver && !outputs.empty();
    if (couldConnect) {
        std::string list;
        for (std::size_t i = 0; i < outputs.size(); ++i)
            list += (i == 0 ? "" : i + 1 == outputs.size() ? " or " : ", ") + outputs[i];
        lines.push_back("result: quorvex could connect the receiver COM2 to " + list);
        return;
    }
    std::string why;
    const auto add = [&](const std::string& reason) { why += (why.empty() ? "" : "; ") + reason; };
    if (!survey.Passes())
        add("the prefix fails its checks, so quorvex does not start");
    if (!receiver)
        add("the receiver COM2 could not be opened");
    if (outputs.empty())
        add("no output port could be opened");
    lines.push_back("result: quorvex could not connect: " + why);
}

}  // namespace quorvex
