#pragma once
// Result codes of actions, targets and batch steps (0 = success) and image type codes, with their
// string-table texts and the file extensions of the image types.

#include <string>

enum ResultCode : int {
    RESULT_SUCCESS = 0,
    RESULT_ACTION_NOT_COMPATIBLE = 1,
    RESULT_INVALID_FILE = 2,
    RESULT_INVALID_IMAGE_TYPE = 3,
    RESULT_INVALID_INDEX = 4,
    RESULT_ACTION_NOT_FOUND = 5,
    RESULT_TARGET_NOT_FOUND = 6,
    RESULT_TARGET_EXISTS = 7,
    RESULT_INVALID_FILE_TYPE = 8,
    RESULT_INTERNAL_ERROR = 9,
    RESULT_FILE_SAVE_FAILED = 10,
    RESULT_ACTION_FAILED = 11,
    RESULT_XML_PARSE_ERROR = 12,
    RESULT_FTP_ERROR = 13,
    RESULT_USER_CANCELLED = 14,
    RESULT_IMAGE_OPERATION_FAILED = 15,
    RESULT_UPLOAD_FAILED = 19,
    RESULT_INVALID_AUTHENTICATION = 20,
    RESULT_NO_EMAIL_RECIPIENTS = 21,
    RESULT_TOO_MANY_FILES = 22,
    RESULT_UNABLE_TO_SEND_MAIL = 23,
    RESULT_FRAME_PART_MISSING = 24,
    RESULT_FRAME_PART_SIZES_DIFFER = 25,
};

enum ImageType : int {
    IMAGE_TYPE_UNKNOWN = 0,
    IMAGE_TYPE_ORIGINAL = 1, // keep the source file's type (only as a requested output type)
    IMAGE_TYPE_JPEG = 2,
    IMAGE_TYPE_PNG = 3,
    IMAGE_TYPE_GIF = 4,
    IMAGE_TYPE_BMP = 5,
};

// The code's string-table text; empty for 16-18, negative values and values above 25.
std::u16string ErrorCodeText(int code);
// Any type outside 0-5 reads as unknown ("Unkown File Type", extension "unknown").
std::u16string ImageTypeDisplayName(int type);
std::u16string ImageTypeExtension(int type);
