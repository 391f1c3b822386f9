// The field layouts of ZOLT's tables, as ZOLT itself creates them. A master
// result table is its temporary table's layout and one field more.
#pragma once

#include <string_view>

namespace marklift::demo {

constexpr std::string_view kSetupSchFields = "SCHSTATION,C,2,0;SCHNAME,C,30,0;";
constexpr std::string_view kTpFields = "TPNAME,C,30,0;TPNUMBER,N,2,0;";
constexpr std::string_view kLevelsFields = "CODE,C,4,0;PLACEMENT,C,60,0;COMMENT,C,60,0;";
constexpr std::string_view kTestFields = "CODE,C,4,0;TEST,C,15,0;FORM,C,6,0;";

constexpr std::string_view kStudentFields =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;BIRTHDATE,D,8,0;ADDRESS,C,30,0;";

constexpr std::string_view kPlacementFields =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;CODE,C,4,0;DATE,D,8,0;GRPNUMBER,C,7,0;"
    "ATTEMPT,N,3,0;";
constexpr std::string_view kPlacementMasterField = "DUPLICATE,L,1,0;";

// Assessment and score tables share one layout.
constexpr std::string_view kTestResultFields =
    "SSN,C,11,0;CODE,C,4,0;DATE,D,8,0;CORRECT,N,3,0;SCORE,N,4,0;ATTEMPT,N,3,0;"
    "SS1,N,2,0;SS2,N,2,0;SS3,N,2,0;SS4,N,2,0;SS5,N,2,0;SS6,N,2,0;SS7,N,2,0;SS8,N,2,0;"
    "SS9,N,2,0;SS10,N,2,0;GRPNUMBER,C,7,0;";
constexpr std::string_view kTestResultMasterField = "RETEST,C,1,0;";

}  // namespace marklift::demo
