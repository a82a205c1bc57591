#include "interpreter/engine/errors.h"

#include <array>
#include <utility>

namespace zrv::engine {

namespace {

constexpr std::pair<int, std::string_view> kMessages[] = {
    {10000, "Error %1 in line %2 of %3:\n\nInvalid command"},
    {10001, "Error %1 in line %2 of %3:\n\nInvalid parameters"},
    {10002, "Error %1 in line %2 of %3:\n\nVariable not found"},
    {10003, "Error %1 in line %2 of %3:\n\nInvalid variable name"},
    {10004, "Error %1 in line %2 of %3:\n\nLabel not found"},
    {10005, "Error %1 in line %2 of %3:\n\nInvalid string"},
    {10006, "Error %1 in line %2 of %3: Label too long"},
    {10008, "Error %1 in line %2 of %3:\n\nNumeric stack full"},
    {10009, "Error %1 in line %2 of %3:\n\nVariable name too long"},
    {10010, "Error %1 in line %2 of %3:\n\nText too long"},
    {10011, "Error %1 in line %2 of %3:\n\nInvalid label"},
    {10012, "Error %1 in line %2 of %3:\n\nInvalid template name"},
    {10013, "Error %1 in line %2 of %3:\n\nString concat too long"},
    {10014, "Error %1 in line %2 of %3:\n\nNo space on target drive"},
    {10015, "Error %1 in line %2 of %3:\n\nSource file not found"},
    {10017, "Error %1 in line %2 of %3:\n\nOut of variable space"},
    {10018, "Error %1 in line %2 of %3:\n\nSource and target file names must not be the same"},
    {10019, "Error %1 in line %2 of %3, parameter %4:\n\nInvalid string parameter"},
    {10020, "Error %1 in line %2 of %3, parameter %4:\n\nInvalid numeric parameter"},
    {10021, "Error %1 in line %2 of %3, parameter %4:\n\nMissing variable name"},
    {10022, "Error %1 in line %2 of %3:\n\nInvalid comparison operator"},
    {10023, "Error %1 in line %2 of %3, parameter 1:\n\nInvalid comparison value"},
    {10024, "Error %1 in line %2 of %3, parameter %4:\n\nInvalid date format specified"},
    {10025, "Error %1 in line %2 of %3:\n\nInvalid arithmetic operator.\nOperator must be + - * or /"},
    {10026, "Error %1 in line %2 of %3, parameter %4:\n\nString subscript out of range"},
    {10027, "End of file reached!"},
    {10028, "Error %1 in line %2 of %3:\n\nUnable to find or open script file"},
    {10029, "Error %1 in line %2 of %3:\n\nAttempt to open too many nested script files"},
    {10030, "Error %1 in line %2 of %3:\n\nInvalid dialog command"},
    {10031, "Error %1 in line %2 of %3:\n\nAttempt to create too many user defined objects"},
    {10032, "Error %1 in line %2 of %3:\n\nAttempt to create too many controls"},
    {10033, "Error %1 in line %2 of %3:\n\nInvalid control type"},
    {10034, "Error %1 in line %2 of %3:\n\nFailed to allocate memory for internal use"},
    {10035, "Error %1 in line %2 of %3:\n\nFailed to initialise user defined dialog"},
    {10036, "Error %1 in line %2 of %3:\n\nInvalid file stream specified"},
    {10037, "Error %1 in line %2 of %3:\n\nSpecified file stream is already in use"},
    {10038, "Error %1 in line %2 of %3:\n\nSpecified file stream is not open"},
    {10039, "Error %1 in line %2 of %3:\n\nSpecified file stream is not open for reading"},
    {10040, "Error %1 in line %2 of %3:\n\nSpecified file stream is not open for writing"},
    {10041, "Error %1 in line %2 of %3:\n\nInvalid target file name"},
    {10042, "Error %1 in line %2 of %3:\n\nUnsupported language specified"},
    {10043, "Error %1 in line %2 of %3:\n\nFailure while reading file"},
    {10044, "Error %1 in line %2 of %3:\n\nFailure while writing file"},
    {10045, "Error %1 in line %2 of %3:\n\nFailed to create target file"},
    {10046, "Error: Failed to initialise DDEML!"},
    {10047, "Error %1 in line %2 of %3:\n\nFailed to start DDE conversation with Program Manager!"},
    {10048, "Error %1 in line %2 of %3:\n\nA DDE error has occured while communicating with Program Manager!"},
    {10049, "Error %1 in line %2 of %3:\n\nInvalid file mode!"},
    {10050, "Error %1: Label stack full!"},
    {10051, "Error %1: Unable to find or open script file:\n\n%3"},
    {10052, "Error %1 in line %2 of %3:\n\nFailed to load the specified bitmap file!"},
    {10053, "Error %1 in line %2 of %3:\n\nAttempt to display an object which is not a Backdrop Object!"},
    {10054, "Error %1 in line %2 of %3:\n\nAttempt to display an object which is not a Dialog Object!"},
    {10055, "Error %1 in line %2 of %3:\n\nAttempt to display an object which is not a Cuecard Object!"},
    {10056, "Error %1 in line %2 of %3:\n\nInvalid command for the type of object being created!"},
    {10057, "Error %1 in line %2 of %3, parameter %4:\n\nInvalid control type for the object being created!"},
    {10058, "Error %1 in line %2 of %3:\n\nAttempt to create an object with too many bitmaps!"},
    {10059, "Error %1 in line %2 of %3:\n\nObject not found!"},
    {10060, "!Error %1: Object '%2' not found!"},
    {10061, "Error %1 in line %2 of %3:\n\nBitmap file not found!"},
    {10062, "Error %1 in line %2 of %3:\n\nFailed to create Registry entry!"},
    {10063, "Error %1: Failed to allocate memory for the label buffer!"},
    {10064, "Error %1 in line %2 of %3:\n\nInvalid command outside of object creation!"},
    {10065, "Error %1 in line %2 of %3:\n\nOLE control file not found!"},
    {10066, "Error %1 in line %2 of %3:\n\nLoadLibrary on control file failed!"},
    {10067, "Error %1 in line %2 of %3:\n\nGetProcAddress on control file failed!"},
    {10068, "Error %1 in line %2 of %3:\n\nDllRegisterServer on control file failed!"},
    {10069, "Error %1 in line %2 of %3:\n\nDllUnRegisterServer on control file failed!"},
    {10070, "Error %1 in line %2 of %3:\n\nFailed to open or create de-install script!"},
    {10071, "Error %1 in line %2 of %3:\n\nThe de-install script is not open!"},
    {10072, "Error %1 in line %2 of %3:\n\nInvalid de-install script section!"},
};

} // namespace

std::string_view errorText(int number) {
    for (const auto& [n, text] : kMessages)
        if (n == number)
            return text;
    return {};
}

} // namespace zrv::engine
