#pragma once
// The main window's menu, in its order. Rows without a caption are the
// program's own items, captioned by TForm1::ApplyOwnCaptions(); after the
// table's own items "Таблица Замены" holds the grid's context menu, the
// tuner's tools, the coverage view and the correction by lambda, which "Лог"
// also holds after its specified items and the unsaved recordings, and
// "Окно" ends with the guide.

#include "ui/WindowShell.h"

namespace zelor {

inline constexpr MenuRow kMainMenu[] = {
    {"N1", "", "Лог", MenuRow::kMenu},
    {"N2", "N1", "Файл", MenuRow::kMenu},
    {"N3", "N2", "Открыть"},
    {"N4", "N2", "Сохранить"},
    {"ExportCsv", "N2", ""},
    // Filled with the kept recordings each time it opens.
    {"UnsavedRecordings", "N1", "", MenuRow::kMenu},
    {"LambdaFix", "N1", ""},
    {"N5", "", "Таблица Замены", MenuRow::kMenu},
    {"N9", "N5", "Файл", MenuRow::kMenu},
    {"N12", "N9", "Открыть"},
    {"N13", "N9", "Сохранить"},
    {"N11", "N5", "Обнулить", MenuRow::kMenu},
    {"N14", "N11", "Я подтверждаю обнуление!"},
    {"N111", "N5", "Замена 1:1", MenuRow::kMenu},
    {"N112", "N111", "Я подтверждаю замену 1:1"},
    {"", "N5", "", MenuRow::kSeparator},
    {"GridMenu", "N5", "", MenuRow::kItemsOf},
    {"", "N5", "", MenuRow::kSeparator},
    // Nothing to undo or redo yet.
    {"UndoTable", "N5", "", MenuRow::kItem, MenuRow::kDisabled},
    {"RedoTable", "N5", "", MenuRow::kItem, MenuRow::kDisabled},
    {"N6", "", "Конвертер", MenuRow::kMenu},
    {"N7", "N6", "Считать таблицу из конвертера"},
    {"N8", "N6", "Записать таблицу в конвертер"},
    {"N18", "", "Окно", MenuRow::kMenu},
    {"N19", "N18", "Адаптировать под разрешение экрана "},
    {"N20", "N18", "Исходный вид ", MenuRow::kItem, MenuRow::kDisabled},
    {"Guide", "N18", ""},
    // A command on the bar itself.
    {"N22", "", "Утилита сравнения таблиц"},
};

}  // namespace zelor
