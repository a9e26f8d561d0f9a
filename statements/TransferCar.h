#pragma once
// The text of the statement the transfer-document screen sends, as a plain standard string:
// the screen (transfer_documents/), the engine's tests and the database script tests run the
// same text.
#include <string>

namespace statements::transfer_car {

// The boxes of the vehicle's latest trip counted per branch, only when that trip is closed:
// :CarNo.
const std::string& boxList();

}  // namespace statements::transfer_car
