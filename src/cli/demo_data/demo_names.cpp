#include "cli/demo_data/demo_names.h"

#include <array>

namespace marklift::demo {
namespace {

constexpr std::array<std::string_view, 48> kLastNames = {
    "SMITH",        "JOHNSON",     "WILLIAMS",     "BROWN",      "JONES",
    "GARCIA",       "MILLER",      "DAVIS",        "RODRIGUEZ",  "MARTINEZ",
    "HERNANDEZ",    "LOPEZ",       "GONZALEZ",     "WILSON",     "ANDERSON",
    "THOMAS",       "TAYLOR",      "MOORE",        "JACKSON",    "MARTIN",
    "LEE",          "PEREZ",       "THOMPSON",     "WHITE",      "HARRIS",
    "SANCHEZ",      "CLARK",       "RAMIREZ",      "LEWIS",      "ROBINSON",
    "NGUYEN",       "TRAN",        "KIM",          "PATEL",      "CHEN",
    "MULLER",       "O'BRIEN",     "D'ANGELO",     "O'NEIL, JR", "KING, III",
    "GARCIA-LOPEZ", "SMITH-JONES", "VAN DER BERG", "DE LA CRUZ", "ABERNATHY-WORTHINGTON",
    "ST. JAMES",    "MC CARTHY",   "WU",
};

constexpr std::array<std::string_view, 40> kFirstNames = {
    "JAMES",    "MARY",     "ROBERT",        "PATRICIA",  "JOHN",    "JENNIFER",
    "MICHAEL",  "LINDA",    "DAVID",         "ELIZABETH", "WILLIAM", "BARBARA",
    "JOSE",     "MARIA",    "LUIS",          "ANA",       "CARLOS",  "SOFIA",
    "HIRO",     "MEI",      "ANH",           "DANA",      "EVE",     "GUS",
    "OMAR",     "FATIMA",   "DMITRI",        "PRIYA",     "KWAME",   "AMARA",
    "MARY-ANN", "JEAN-LUC", "ROBERT \"BO\"", "D'ANDRE",   "JO, ANN", "FRANCESCA-MARIA",
    "LEE",      "TERRY",    "SAM",           "ALEX",
};

constexpr std::array<std::string_view, 16> kStreets = {
    "MAIN ST",         "OAK AVE",
    "ELM ST",          "MAPLE DR",
    "CEDAR LN",        "PINE ST",
    "WASHINGTON BLVD", "LINCOLN AVE",
    "COLLEGE RD",      "RIVER RD",
    "PARK PL",         "HILL ST",
    "LAKE SHORE DR",   "MARTIN LUTHER KING JR BLVD",
    "O'HARA WAY",      "1ST AVE",
};

}  // namespace

std::span<const std::string_view> lastNames() {
    return kLastNames;
}
std::span<const std::string_view> firstNames() {
    return kFirstNames;
}
std::span<const std::string_view> streets() {
    return kStreets;
}

}  // namespace marklift::demo
