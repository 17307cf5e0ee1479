#pragma once
// The query part of an address: "name=value" pairs joined by "&", in the given order, with
// every byte outside the unreserved set (letters, digits, "-", ".", "_", "~") written as
// "%XX". Pure, thread-safe.

#include "platform/net/HttpRequest.h"

namespace platform::net {

std::string percentEncode(std::string_view text);
std::string queryText(const QueryParameters& parameters);
// `url` followed by "?" and the query text; `url` alone when there are no parameters.
std::string urlWithQuery(const std::string& url, const QueryParameters& parameters);

}  // namespace platform::net
