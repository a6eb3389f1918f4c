// The token layer's failure messages and codes. The messages are code page
// 1251 bytes, written to the console exactly as stored; the readable text of
// each is in the comment beside it. Every message begins with the same
// prefix, "Ошибка токена: ".
#ifndef TOKEN_MESSAGES_H
#define TOKEN_MESSAGES_H

#include <cstdint>

// "Ошибка токена: "
#define TOKEN_ERROR_PREFIX "\xCE\xF8\xE8\xE1\xEA\xE0 \xF2\xEE\xEA\xE5\xED\xE0: "

// Codes raised by the token layer. Code 10 has two messages (read, write).
inline constexpr std::int16_t CODE_NO_ENUMERATOR = 3;
inline constexpr std::int16_t CODE_NO_SUCH_TOKEN = 5;
inline constexpr std::int16_t CODE_TOKEN_FAULTY = 6;
inline constexpr std::int16_t CODE_LOCK_FAILED = 7;
inline constexpr std::int16_t CODE_LOGIN_FAILED = 8;
inline constexpr std::int16_t CODE_NOT_FOUND = 9;
inline constexpr std::int16_t CODE_IO_FAILED = 10;
inline constexpr std::int16_t CODE_DELETE_FAILED = 12;
inline constexpr std::int16_t CODE_NO_WORKING_FOLDER = 13;
inline constexpr std::int16_t CODE_CREATE_FAILED = 14;
inline constexpr std::int16_t CODE_NO_TOKEN_AVAILABLE = 18;
inline constexpr std::int16_t CODE_FREE_MEMORY_FAILED = 19;

// "Ошибка токена: не удалось создать энумератор"
inline constexpr const char MSG_NO_ENUMERATOR[] =
    TOKEN_ERROR_PREFIX "\xED\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC \xF1\xEE\xE7\xE4\xE0\xF2\xFC "
                       "\xFD\xED\xF3\xEC\xE5\xF0\xE0\xF2\xEE\xF0";

// "Ошибка токена: не найден токен с данным номером"
inline constexpr const char MSG_NO_SUCH_TOKEN[] =
    TOKEN_ERROR_PREFIX "\xED\xE5 \xED\xE0\xE9\xE4\xE5\xED \xF2\xEE\xEA\xE5\xED \xF1 "
                       "\xE4\xE0\xED\xED\xFB\xEC \xED\xEE\xEC\xE5\xF0\xEE\xEC";

// "Ошибка токена: токен не исправен"
inline constexpr const char MSG_TOKEN_FAULTY[] =
    TOKEN_ERROR_PREFIX "\xF2\xEE\xEA\xE5\xED \xED\xE5 \xE8\xF1\xEF\xF0\xE0\xE2\xE5\xED";

// "Ошибка токена: не удается блокировать токен"
inline constexpr const char MSG_LOCK_FAILED[] =
    TOKEN_ERROR_PREFIX "\xED\xE5 \xF3\xE4\xE0\xE5\xF2\xF1\xFF "
                       "\xE1\xEB\xEE\xEA\xE8\xF0\xEE\xE2\xE0\xF2\xFC \xF2\xEE\xEA\xE5\xED";

// "Ошибка токена: ошибка авторизации"
inline constexpr const char MSG_LOGIN_FAILED[] =
    TOKEN_ERROR_PREFIX "\xEE\xF8\xE8\xE1\xEA\xE0 \xE0\xE2\xF2\xEE\xF0\xE8\xE7\xE0\xF6\xE8\xE8";

// "Ошибка токена: файл с данными не найден"
inline constexpr const char MSG_NOT_FOUND[] =
    TOKEN_ERROR_PREFIX "\xF4\xE0\xE9\xEB \xF1 \xE4\xE0\xED\xED\xFB\xEC\xE8 "
                       "\xED\xE5 \xED\xE0\xE9\xE4\xE5\xED";

// "Ошибка токена: ошибка чтения данных из файла"
inline constexpr const char MSG_READ_FAILED[] =
    TOKEN_ERROR_PREFIX "\xEE\xF8\xE8\xE1\xEA\xE0 \xF7\xF2\xE5\xED\xE8\xFF "
                       "\xE4\xE0\xED\xED\xFB\xF5 \xE8\xE7 \xF4\xE0\xE9\xEB\xE0";

// "Ошибка токена: ошибка записи данных в файл"
inline constexpr const char MSG_WRITE_FAILED[] =
    TOKEN_ERROR_PREFIX "\xEE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8 "
                       "\xE4\xE0\xED\xED\xFB\xF5 \xE2 \xF4\xE0\xE9\xEB";

// "Ошибка токена: ошибка удаления файла"
inline constexpr const char MSG_DELETE_FAILED[] =
    TOKEN_ERROR_PREFIX "\xEE\xF8\xE8\xE1\xEA\xE0 \xF3\xE4\xE0\xEB\xE5\xED\xE8\xFF "
                       "\xF4\xE0\xE9\xEB\xE0";

// "Ошибка токена: отсутствует рабочая директория"
inline constexpr const char MSG_NO_WORKING_FOLDER[] =
    TOKEN_ERROR_PREFIX "\xEE\xF2\xF1\xF3\xF2\xF1\xF2\xE2\xF3\xE5\xF2 \xF0\xE0\xE1\xEE\xF7\xE0\xFF "
                       "\xE4\xE8\xF0\xE5\xEA\xF2\xEE\xF0\xE8\xFF";

// "Ошибка токена: ошибка создания файла"
inline constexpr const char MSG_CREATE_FAILED[] =
    TOKEN_ERROR_PREFIX "\xEE\xF8\xE8\xE1\xEA\xE0 \xF1\xEE\xE7\xE4\xE0\xED\xE8\xFF "
                       "\xF4\xE0\xE9\xEB\xE0";

// "Ошибка токена: не найдено доступного токена"
inline constexpr const char MSG_NO_TOKEN_AVAILABLE[] =
    TOKEN_ERROR_PREFIX "\xED\xE5 \xED\xE0\xE9\xE4\xE5\xED\xEE "
                       "\xE4\xEE\xF1\xF2\xF3\xEF\xED\xEE\xE3\xEE \xF2\xEE\xEA\xE5\xED\xE0";

// "Ошибка токена: не удалось определить свободное пространство"
inline constexpr const char MSG_FREE_MEMORY_FAILED[] =
    TOKEN_ERROR_PREFIX "\xED\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE8\xF2\xFC "
                       "\xF1\xE2\xEE\xE1\xEE\xE4\xED\xEE\xE5 "
                       "\xEF\xF0\xEE\xF1\xF2\xF0\xE0\xED\xF1\xF2\xE2\xEE";

#endif
