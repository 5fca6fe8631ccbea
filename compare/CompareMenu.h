#pragma once
// The comparison window's menu, in its order: a menu per table, each
// command's last item its confirmation, and the hidden "Закрыть" on the bar.

#include "ui/WindowShell.h"

namespace zelor {

inline constexpr MenuRow kCompareMenu[] = {
    {"N5", "", "Таблица№1", MenuRow::kMenu},
    {"N9", "N5", "Файл", MenuRow::kMenu},
    {"N12", "N9", "Открыть"},
    {"N13", "N9", "Сохранить"},
    {"N11", "N5", "Обнулить таблицу", MenuRow::kMenu},
    {"N14", "N11", "Да!"},
    {"N111", "N5", "Замена 1 к 1 ", MenuRow::kMenu},
    {"N112", "N111", "Да!"},
    {"N15", "", "Таблица №2", MenuRow::kMenu},
    {"N3", "N15", "Файл", MenuRow::kMenu},
    {"N6", "N3", "Открыть"},
    {"N4", "N3", "Сохранить"},
    {"N1", "N15", "Обнулить таблицу", MenuRow::kMenu},
    {"N2", "N1", "Да"},
    {"N113", "N15", " Замена 1 к 1", MenuRow::kMenu},
    {"N114", "N113", "Да!"},
    {"N8", "", "Закрыть", MenuRow::kItem, MenuRow::kHidden},
};

// Table 2's items that repeat a Table 1 caption once the language file is
// applied.
struct CaptionCopy {
  const char* from;
  const char* to;
};
inline constexpr CaptionCopy kCaptionCopies[] = {{"N9", "N3"},  {"N12", "N6"},    {"N13", "N4"},
                                                 {"N11", "N1"}, {"N111", "N113"}, {"N14", "N112"},
                                                 {"N14", "N2"}, {"N14", "N114"}};

}  // namespace zelor
