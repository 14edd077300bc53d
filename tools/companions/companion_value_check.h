#pragma once
// The mailer's and the dialer's rules for the values they read, for the
// setup tool: a value either program would refuse is refused when it is
// set, with the reason the program would give.

#include <string>
#include <string_view>

namespace zelkor::tools {

// Why `value` cannot be stored as `name` (EMAILADDRESS, CCEMAILADDRESS,
// SMTPFROM, SMTPSERVER, PHONENUMBER); empty when it can, and always for an
// empty value (the program then says what is missing) or another name.
std::string CompanionValueProblem(std::string_view name, std::string_view value);

}  // namespace zelkor::tools
