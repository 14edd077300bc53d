#include "tools/companions/companion_value_check.h"

#include "tools/dial/phone_number.h"
#include "tools/email/address_list.h"

namespace zelkor::tools {

std::string CompanionValueProblem(std::string_view name, std::string_view value) {
    if (value.empty()) {
        return {};
    }
    std::string error;
    if (name == "EMAILADDRESS" || name == "CCEMAILADDRESS") {
        return ParseAddressList(value, &error) ? std::string() : std::string(name) + ": " + error;
    }
    if (name == "SMTPFROM") {
        return IsMailAddress(value) ? std::string() : std::string(kSenderRefused);
    }
    if (name == "SMTPSERVER") {
        return ParseSmtpServer(value, &error) ? std::string() : error;
    }
    if (name == "PHONENUMBER") {
        return DialString(value, &error) ? std::string() : error;
    }
    return {};
}

}  // namespace zelkor::tools
