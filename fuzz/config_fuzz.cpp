// Any bytes as any configuration file: never a crash, and whatever parses
// writes back to text that parses to the same record.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/records_json.hpp"

namespace {

template <class T>
void round_trip(std::string_view text) {
    auto record = ovelin::parse_record<T>(text);
    if (!record) return;
    auto written = ovelin::to_pretty_json(*record);
    if (!written) return;  // invalid UTF-8 inside a string cannot be written
    auto again = ovelin::parse_record<T>(*written);
    if (!again || !(*again == *record)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    round_trip<ovelin::Settings>(text);
    round_trip<ovelin::ProfilesFile>(text);
    round_trip<ovelin::AliasesFile>(text);
    round_trip<ovelin::SessionsFile>(text);
    auto entry = ovelin::parse_record<ovelin::HistoryEntry>(text);
    if (entry) (void)ovelin::to_compact_json(*entry);
    return 0;
}
