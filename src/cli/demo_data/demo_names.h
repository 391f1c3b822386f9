// The names and streets demo students are made of, upper case as ZOLT's
// staff type them. Some hold the characters that trip up exports and
// filters: commas, apostrophes, double quotes and hyphens, and last names
// longer than their field.
#pragma once

#include <span>
#include <string_view>

namespace marklift::demo {

std::span<const std::string_view> lastNames();
std::span<const std::string_view> firstNames();
std::span<const std::string_view> streets();

}  // namespace marklift::demo
