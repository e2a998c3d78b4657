#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvex {

class LiveRecords;
class PrefixSurvey;

// What quorvex reads of other programs' records about the ports, read as it reads them
// and never changed: the program that system.reg names as holding the receiver port, and
// the Bluetooth ports the records offer, by a subkey of the Bluetooth ports key in
// system.reg or by a devices/ link to a bound RFCOMM device. Nothing is read from a prefix
// or a devices/ folder that fails its checks. Owner's thread only.
class PortRecords {
public:
    // Reads the records of the prefix `survey` found, and the links the live records see.
    void Read(const PrefixSurvey& survey, const LiveRecords& live);

    // The findings, one a line, each starting "records: ".
    const std::vector<std::string>& Lines() const { return lines; }

    // Whether system.reg has a value for the receiver port: then quorvex shows what it
    // names (an empty name: "Available") and asks the live system nothing.
    bool HasReceiverRecord() const { return receiverRecord.has_value(); }
    // The program that value names; empty for none.
    std::wstring ReceiverRecord() const { return receiverRecord.value_or(L""); }

    // Whether the output port at this catalogue index is listed in the dialog, and why or
    // why not, in words that follow "listed" or "not listed".
    bool Listed(std::size_t index) const;
    std::string WhyListed(std::size_t index) const;

private:
    void ReadHive(const PrefixSurvey& survey);
    void Note(const std::string& text) { lines.push_back("records: " + text); }

    std::vector<std::string> lines;
    std::optional<std::wstring> receiverRecord;
    // By catalogue index: the subkeys registering the port, and whether a devices/ link
    // leads to a bound RFCOMM device.
    std::array<std::vector<std::wstring>, 4> registeredBy;
    std::array<bool, 4> linked{};
    // What could not be read, when it was there.
    bool hiveSkipped = false;
    bool linksSkipped = false;
};

}  // namespace quorvex
