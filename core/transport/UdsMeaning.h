#pragma once

#include <cstdint>
#include <span>
#include <string>

// What a diagnostic message on ISO-TP means: UDS (ISO 14229-1) services,
// their data identifiers and sub-functions, negative response codes, and the
// OBD-II (SAE J1979) services 0x01–0x0A.
namespace korvex::transport {

// Appends the meaning of a whole message, e.g. "ReadDataByIdentifier (0x22)
// F190" or "negative response (0x7F) to ReadDataByIdentifier (0x22):
// requestOutOfRange (0x31)"; nothing for an empty message.
void AppendUdsMeaning(std::string& out, std::span<const std::uint8_t> message);

// The name of a service identifier (a request's), nullptr when unknown.
const char* UdsServiceName(std::uint8_t sid);
// The name of a negative response code, nullptr when unknown.
const char* NegativeResponseName(std::uint8_t code);

}  // namespace korvex::transport
