// The two built-in values of the text cipher, made once with tools/make-cipher-key.
// Every list file depends on them: never change them.
#include "uKorEncryptLibBO.h"

const std::string_view TKorEncryptLibBO::KeyPassphrase = "EDC64CC29D17C31F";
const std::string_view TKorEncryptLibBO::EncryptedKeyText
    = "se8lmO9xKOqtV+8j9YRxqktBUFrNidgWD39y3I+jarrR4SFNAAYHRna7wma8m6Jr";
