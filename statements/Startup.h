#pragma once
// The statements the client runs at start-up and in its two data modules, as plain standard
// strings: the data modules (data/) wrap them in QStrings, and the engine's tests run the same
// text, so that a change to one of them is noticed there.
#include <string>

namespace statements::startup {

// Configuration database (the configuration data module).
const std::string& configProbe();    // on master: does the NWX configuration database exist
const std::string& upgradeScript();  // runner script ("/" lines) run after every connect
const std::string& user();           // the user's row: parameter uid
const std::string& companyConfig();  // the company's configuration: parameter GetName
const std::string& company();        // the company: parameter GetName
const std::string& software();       // the software settings

}  // namespace statements::startup

namespace statements::shared_data {

// Company database (the main data module).
const std::string& settingsRow();    // the settings row with the main currency
const std::string& unitFraction();   // a unit with its smallest unit: parameter GetUnit
const std::string& stockUnitQnty();  // a product's stock unit: parameter GetProduct
const std::string& docConvert();     // a series by its convert code: GetCode, GetYear
const std::string& documentNo();     // a series by its code: GetCode, GetYear

}  // namespace statements::shared_data
