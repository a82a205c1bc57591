// The interpreter's error numbers and their message texts.
#pragma once

#include <string_view>

namespace zrv::engine {

enum ErrorNumber : int {
    kErrInvalidCommand = 10000,
    kErrInvalidParameters = 10001,
    kErrVariableNotFound = 10002,
    kErrInvalidVariable = 10003,
    kErrLabelNotFound = 10004,
    kErrInvalidString = 10005,
    kErrLabelTooLong = 10006,
    kErrStackFull = 10008,
    kErrNameTooLong = 10009,
    kErrTextTooLong = 10010,
    kErrInvalidLabel = 10011,
    kErrInvalidTemplate = 10012,
    kErrConcatTooLong = 10013,
    kErrOutOfVariables = 10017,
    kErrStringParam = 10019,
    kErrNumericParam = 10020,
    kErrMissingVariable = 10021,
    kErrComparisonOperator = 10022,
    kErrComparisonValue = 10023,
    kErrArithmeticOperator = 10025,
    kErrSubscript = 10026,
    kErrEndOfFile = 10027,
    kErrOpenScript = 10028,
    kErrTooManyFiles = 10029,
    kErrUnsupportedLanguage = 10042,
    kErrLabelStackFull = 10050,
    kErrOpenMainScript = 10051,
    kErrInvalidDialogCommand = 10030,
    kErrTooManyObjects = 10031,
    kErrControlType = 10033,
    kErrTemplateMemory = 10034,
    kErrDialogInit = 10035,
    kErrBitmapLoad = 10052,
    kErrNotBackdrop = 10053,
    kErrNotDialog = 10054,
    kErrNotCueCard = 10055,
    kErrWrongObjectCommand = 10056,
    kErrControlForKind = 10057,
    kErrTooManyBitmaps = 10058,
    kErrObjectNotFound = 10059,
    kErrPaintObject = 10060,
    kErrBitmapMissing = 10061,
    kErrLabelMemory = 10063,
    kErrOutsideObject = 10064,
};

// The text of an error number (10000-10072), "" for a number without one.
std::string_view errorText(int number);

} // namespace zrv::engine
