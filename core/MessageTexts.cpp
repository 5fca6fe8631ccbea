#include "core/MessageTexts.h"

#include <QFileInfo>
#include <iterator>

namespace zelor {
namespace {

const char* const kRussian[19] = {
    "",
    "Конв.Вых.",
    "сек",
    "Разрешение: ",
    "Таб.",
    "Лямбда",
    "Обогащение %",
    "Вы не выбрали COM порт!",
    "Не возможно сохранить лог меньше 1 сек",
    "Ошибка ",
    "Получено байт: ",
    "из необходимых: ",
    "Невозможно считать  таблицу из конвертера.",
    // The "c" of "иcправности" is a Latin letter in the converter's texts.
    "Проверьте наличие питающего напряжения\r\n и убедитесь в иcправности Com порта.",
    "Ошибка верификации данных",
    "Индекс массива: ",
    "Внимание!!!\r\nТаблица не записалась! Попробуйте еще раз.",
    "Запись прошла успешно",
    "THREAD ERROR! ОТСУТСТВУЕТ ПОТОК ДАННЫХ ИЗ КОНВЕРТЕРА.\r\nПроверьте наличие "
    "питающего напряжения\r\n и убедитесь в иcправности Com порта.",
};

const char* const kEnglish[19] = {
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "You didn't select any COM port!",
    "Can't save log smaller than 1 second",
    "Error ",
    "Recieved bytes: ",
    "Required bytes: ",
    "Can't read table from converter.",
    "Please check converter's supply voltage \r\n and COM port connection/cable.",
    "Data verification error",
    "Index: ",
    "ATTENTION!!!\r\nWrite is failed! Please try again.",
    "Write is successfull",
    "",  // built from text 13
};

struct OwnText {
  const char* russian;
  const char* english;
};

// In the order of OwnMessage.
const OwnText kOwn[] = {
    {"Конвертер не замолчал после ответа, поэтому считанные таблица и версия "
     "могут быть неверны.\r\nТаблица не принята. Считайте таблицу ещё раз.",
     "The converter did not fall silent after its reply, so the table and version "
     "read may be wrong.\r\nThe table was not taken. Read the table again."},
    {"Идёт поток данных из конвертера: пока он идёт, таблицу нельзя считать или записать "
     "(его кадры были бы приняты за таблицу).\r\nНажмите «Стоп» и повторите команду.",
     "The converter's data stream is running: the table cannot be read or written while it "
     "runs (its frames would be taken for the table).\r\nPress \"Stop\" and try again."},
    {"Записанная таблица ещё проверяется: поток данных можно запустить после сообщения о "
     "результате записи (не дольше 6 секунд).",
     "The written table is still being verified: the data stream can be started once the "
     "write's result is shown (within 6 seconds)."},
    {"Нельзя открыть лог, пока идёт поток данных из конвертера. Нажмите \"Стоп\" и "
     "откройте лог снова.",
     "Can't open a log while the converter's data stream runs. Press Stop and open the log "
     "again."},
    {"Экспорт CSV", "Export CSV"},
    {"Отменить", "Undo"},
    {"Вернуть", "Redo"},
    {"Порт: ", "Port: "},
    {"не открыт", "not open"},
    {"Прошивка: ", "Firmware: "},
    {"не считана", "not read"},
    {"Поток: идёт", "Stream: running"},
    {"Поток: остановлен", "Stream: stopped"},
    {"Поток: связь потеряна, нажмите \"Стоп\"", "Stream: connection lost, press \"Stop\""},
    {"Не записано в конвертер: ", "Not in the converter: "},
    {" яч.", " cells"},
    {"таблица конвертера не считана", "converter's table not read"},
    {", ошибочных: ", ", invalid: "},
    {"Нет связи с конвертером", "No link to the converter"},
    {"Таблица конвертера на этом порту ещё не считана: в сетке может быть совсем другая "
     "таблица (после запуска программы — одни нули), и конвертер получит её.\r\nВсё равно "
     "записать таблицу в конвертер?",
     "The converter's table has not been read from this port yet: the grid may hold quite "
     "another table (all zeros after start-up), and the converter would take it.\r\nWrite "
     "the table to the converter all the same?"},
    {"Поток: порт сменён, нажмите \"Стоп\"", "Stream: port changed, press \"Stop\""},
    {"Интерполировать", "Interpolate"},
    {"Сгладить", "Smooth"},
    {"Прибавить…", "Add…"},
    {"Умножить…", "Multiply…"},
    {"Заполнить пропуски", "Fill gaps"},
    {"Покрытие лога", "Log coverage"},
    {"Прибавить", "Add"},
    {"Прибавить к выделенным ячейкам (отрицательное число вычитает):",
     "Add to the selected cells (a negative number subtracts):"},
    {"Умножить", "Multiply"},
    {"Умножить выделенные ячейки на, % (100 — без изменений):",
     "Multiply the selected cells by, % (100 changes nothing):"},
    {"Изменено ячеек: %1", "Cells changed: %1"},
    {"Коррекция по лямбде", "Lambda correction"},
    {"Датчик кислорода", "Oxygen sensor"},
    {"ШЛЗ", "WBO"},
    {"Характеристика:", "Output scale:"},
    {"своя пара точек", "custom pair"},
    {"Стехиометрия, AFR:", "Stoichiometric AFR:"},
    {"пропан", "LPG"},
    {"Задержка, мс:", "Delay, ms:"},
    {"Оценить", "Estimate"},
    {"Оценка: %1 мс, уверенность %2 % (ступенек: %3)",
     "Estimate: %1 ms, confidence %2 % (steps: %3)"},
    {"Оценка: в записи нет ступенек", "Estimate: the recording has no steps"},
    {"Цель", "Target"},
    {"λ ниже порога:", "λ below the threshold:"},
    {"λ от порога:", "λ from the threshold:"},
    {"Порог MAF:", "MAF threshold:"},
    {"Обратная зависимость VAF от MAF", "Inverse: VAF falls as MAF rises"},
    {"Ограничения", "Safeguards"},
    {"Мин. точек в ячейке:", "Min. samples per cell:"},
    {"Не больше за проход, %:", "Cap per pass, %:"},
    {"Не больше за проход, отсч.:", "Cap per pass, counts:"},
    {"Фильтры", "Filters"},
    {"MAF не ниже:", "MAF at least:"},
    {"MAF устойчив в пределах, отсч.:", "MAF steady within, counts:"},
    {"Отсечка: λ беднее:", "Fuel cut: λ leaner than:"},
    {"Отсечка: спад MAF, отсч./с:", "Fuel cut: MAF falling, counts/s:"},
    {"Данные", "Data"},
    {"Кадр на экране", "Frame on screen"},
    {"Вся запись", "Whole recording"},
    {"Применить", "Apply"},
    {"Применить к выделенным", "Apply to selected"},
    {"Таблица", "Table"},
    {"Предложение", "Proposal"},
    {"λ принятых точек", "λ of accepted samples"},
    {"отброшенные", "rejected"},
    {"цель λ", "target λ"},
    {"Выход конвертера", "Converter output"},
    {"λ", "λ"},
    {"ЛЗ, В", "O2, V"},
    {"Точек принято: %1 из %2, задержка %3 мс", "Samples used: %1 of %2, delay %3 ms"},
    {"Отброшено: ЛЗ не в работе или в упоре %1, обогащение %2, отсечка %3, малый MAF %4, "
     "MAF неустойчив %5, ячейка заблокирована %6, нет показания %7, вне полосы (обогащение "
     "ЭБУ) %8, замкнутый контур %9",
     "Rejected: O2 dead or railed %1, enrichment %2, fuel cut %3, low MAF %4, MAF unsteady "
     "%5, locked cell %6, no reading %7, beyond the band (the ECU's enrichment) %8, closed "
     "loop %9"},
    {"Замкнутый контур: %1 ячеек (MAF %2) оставлены как есть: там ЭБУ сам держит λ 1 по своему "
     "датчику, какой бы ни была таблица. Чтобы их исправить, проедьте с ЭБУ в открытом контуре "
     "(отключите его узкополосный датчик или выключите контур средствами ЭБУ) или исправьте их "
     "по коррекциям топлива ЭБУ.",
     "Closed loop: %1 cells (MAF %2) were left alone: there the ECU holds λ at 1 by its own "
     "sensor whatever the table. To correct them, drive with the ECU in open loop (unplug its "
     "narrowband sensor, or switch its loop off the ECU's own way), or correct them by the "
     "ECU's fuel trims."},
    {"Среднее |λ − цель|: было %1, ожидается %2", "Mean |λ − target|: before %1, expected %2"},
    {"Доля богатых точек отстоит от 50 % на %1 %", "The rich share lies %1 % from 50 %"},
    {"MAF %1: %2, точек %3 (с соседями %4), медиана λ %5 ± %6, %7 → %8",
     "MAF %1: %2, %3 samples (%4 with its neighbours'), median λ %5 ± %6, %7 → %8"},
    {"MAF %1: %2, точек %3, богатых %4 %, %5 → %6", "MAF %1: %2, %3 samples, %4 % rich, %5 → %6"},
    {"MAF %1: %2", "MAF %1: %2"},
    {"Идёт поток данных из конвертера: коррекцию по лямбде можно применить после «Стоп», "
     "когда запись закончена.",
     "The converter's data stream is running: the lambda correction can be applied after "
     "\"Stop\", once the recording is complete."},
    {"Нет записи для коррекции по лямбде: нужна запись не короче 119 точек (1,2 с). "
     "Запишите поток («Старт», «Стоп») или откройте лог.",
     "No recording to correct by lambda: it needs at least 119 samples (1.2 s). Record the "
     "stream (\"Start\", \"Stop\") or open a log."},
    {"Пара точек датчика: напряжения V1 и V2 должны различаться.",
     "The sensor's pair of points: the voltages V1 and V2 must differ."},
    {"Стехиометрия: введите число от 5 до 25.", "Stoichiometric AFR: enter a number from 5 to 25."},
    {"Ячейка MAF=%1 содержит '%2': значение вне диапазона 0..255. Коррекция не внесена.",
     "Cell MAF=%1 holds '%2': the value is outside 0..255. The correction was not applied."},
    {"Найдена несохранённая запись лога длиной %1 с от %2, оставшаяся от прошлого запуска "
     "программы.\r\nОткрыть её? (Нет — оставить её в «Лог» → «Несохранённые записи».)",
     "An unsaved log recording of %1 s from %2 was found, left by an earlier run of the "
     "program.\r\nOpen it? (No keeps it in \"Log\" → \"Unsaved recordings\".)"},
    {"Найдена несохранённая таблица от %1, оставшаяся от прошлого запуска программы.\r\n"
     "Загрузить её? (Нет — удалить её.)",
     "An unsaved table from %1 was found, left by an earlier run of the program.\r\nLoad it? "
     "(No deletes it.)"},
    {"Запись лога не сохранена.", "The log recording is not saved."},
    {"Таблица не записана в конвертер.", "The table is not written to the converter."},
    {"Всё равно закрыть программу?", "Close the program all the same?"},
    {"Несохранённые записи", "Unsaved recordings"},
    {"(нет)", "(none)"},
    {"%1 — %2 с", "%1 — %2 s"},
    {"Журнал: не записывается (диск полон?), записи и таблица не защищены от сбоя",
     "Journal: cannot be written (disk full?), the recording and the table are not protected "
     "against a crash"},
    {"Журнал: снова записывается", "Journal: written again"},
    {"Руководство", "Guide"},
    {"Руководство не найдено: его файлы должны лежать в одной из папок:\r\n%1\r\nПереустановите "
     "программу.",
     "The guide was not found: its files belong in one of the folders:\r\n%1\r\nInstall the "
     "program again."},
    {"Конвертер ещё передавал поток данных (прошлый запуск закончился без «Стоп»): поток "
     "остановлен, таблица считана.",
     "The converter was still streaming (an earlier run ended without \"Stop\"): the stream was "
     "stopped and the table read."},
    {"Таблица не записана в конвертер: отмеченных ячеек в нём нет.",
     "The table is not written to the converter: the marked cells are not in it."},
    {"Запись таблицы не проверена: конвертер не ответил на чтение. Отмеченные ячейки могут "
     "отсутствовать в нём: запишите таблицу ещё раз.",
     "The table write is not verified: the converter did not answer the read-back. The marked "
     "cells may be missing from it: write the table again."},
    {"; последняя запись не выполнена", "; the last write failed"},
    {"; последняя запись не проверена", "; the last write is not verified"},
    {"%1 не похож на файл таблицы (%2 байт). Открыть?",
     "%1 does not look like a table file (%2 bytes). Open it?"},
    {"%1 не похож на файл лога (%2 байт). Открыть?",
     "%1 does not look like a log file (%2 bytes). Open it?"},
    // Short enough for the status bar's first panel.
    {"%1 зап.: мало для графика", "%1 rec.: too few to draw"},
    {"авто (оценка по записи)", "auto (the recording's estimate)"},
    {"одна для всех MAF", "one for every MAF"},
    {"холостой ход : полный поток", "idle : full flow"},
    {"Задержка по MAF: линия — в работе, точки — оценка по полосам MAF, столбики — её "
     "уверенность",
     "Delay over MAF: the line is in use, the dots are the estimate per band of MAF, the bars "
     "how sure it is"},
    {"Задержка, мс", "Delay, ms"},
    {"Уверенность, %", "Confidence, %"},
    {"Сглаживание, ячеек:", "Smoothing, cells:"},
    {"Заполнять пропуски до, ячеек:", "Fill gaps up to, cells:"},
    {"Полоса вокруг цели, %:", "Band around the target, %:"},
    {"Замкнутый контур ниже MAF:", "Closed loop below MAF:"},
    {"выкл", "off"},
    {"нет", "none"},
    {"нет данных", "no data"},
    {"мало точек", "too few samples"},
    {"MAF неустойчив", "MAF unsteady"},
    {"верна", "right"},
    {"изменена", "changed"},
    {"замкнутый контур", "closed loop"},
    {"заблокирована", "locked"},
    {" (заполнена между соседями)", " (filled between its neighbours)"},
    {" (две группы точек: решила ближняя к цели)",
     " (two groups of samples: the one nearer the target decided)"},
    {"MAF %1: %2, своих точек нет, %3 → %4", "MAF %1: %2, no samples of its own, %3 → %4"},
    {"Две группы точек в %1 ячейках (ЭБУ часть времени обогащал смесь сам): решила группа "
     "ближе к цели.",
     "Two groups of samples in %1 cells (the ECU enriched part of the time on its own): the "
     "group nearer the target decided."},
    {"MAF %1: MAF неустойчив, держите там нагрузку ровнее.",
     "MAF %1: MAF was not steady; hold the load steadier there."},
    {"MAF %1: мало точек, проедьте там дольше.", "MAF %1: too few samples; drive there longer."},
    {"заполнена", "filled"},
    {"Остановлен старый поток", "Stopped a stale stream"},
    {"Таблица не записана", "Table not written"},
    {"Запись не проверена", "Write not verified"},
    {"Автонастройка по лямбде", "Lambda autotune"},
    {"Откатить", "Roll back"},
    {"сбор", "collecting"},
    {"готова", "ready"},
    {"изменена", "changed"},
    {"на пределе", "at its limit"},
    {"замкнутый контур", "closed loop"},
    {"закреплена", "locked"},
    {"изменено %1 ячеек, последняя отправка %2 с назад", "%1 cells changed, last push %2 s ago"},
    {"—", "—"},
    {"задержка %1 мс", "delay %1 ms"},
    {"MAF %1: %2 попаданий, λ %3, снимок %4 → сейчас %5 (%6)",
     "MAF %1: %2 hits, λ %3, snapshot %4 → now %5 (%6)"},
    {"Автонастройка работает на идущем потоке данных: нажмите «Старт» и включите её снова.",
     "Autotune works on the running data stream: press \"Start\" and switch it on again."},
    {"Автонастройке нечего читать: вход O2 не настроен (датчик не подключён или не прогрет, "
     "показания у края шкалы, или шкала ШЛЗ в окне «Коррекция по лямбде» неверна).",
     "Autotune has nothing to read: the O2 input is not set up (no sensor, not warmed up, "
     "readings at the end of the scale, or a wrong wideband scale in the window \"Lambda "
     "correction\")."},
    {"Автонастройка недоступна, пока идёт «Обучение Таблицы»: оба пишут одни и те же ячейки. "
     "Нажмите «Стоп», снимите «Обучение Таблицы» и запустите поток снова.",
     "Autotune is not available while \"Обучение Таблицы\" (live learning) runs: both write "
     "the same cells. Press \"Stop\", clear the learning and start the stream again."},
    {"Автонастройка остановлена: изменено %1 ячеек, одним шагом истории",
     "Autotune stopped: %1 cells changed, as one step of the history"},
    {"Автонастройка остановлена: конвертер не отвечает. Изменённые ячейки остались в таблице "
     "одним шагом.",
     "Autotune stopped: the converter does not answer. The cells it changed stay in the table "
     "as one step."},
    {"Автонастройка остановлена: таблица не отправлена в конвертер.\r\n%1\r\nИзменённые "
     "ячейки остались в таблице одним шагом («Отменить» вернёт снимок).",
     "Autotune stopped: the table was not sent to the converter.\r\n%1\r\nThe cells it "
     "changed stay in the table as one step (\"Undo\" brings the snapshot back)."},
    {"Автонастройка", "Autotune"},
    {"Интервал отправки, с", "Push interval, s"},
    {"Шаг за отправку, %", "Step per push, %"},
    {"Шаг за отправку, отсчётов", "Step per push, counts"},
    {"Предел от снимка, %", "Authority over the snapshot, %"},
    {"", ""},  // kCount
};
static_assert(std::size(kOwn) == static_cast<std::size_t>(OwnMessage::kCount) + 1);

}  // namespace

QString MessageTexts::Own(OwnMessage m) const {
  const OwnText& text = kOwn[static_cast<std::size_t>(m)];
  return QString::fromUtf8(english_ ? text.english : text.russian);
}

QString MessageTexts::FileQuestion(OwnMessage question, const QString& path, qint64 size) const {
  // One substitution of both: a name holding "%2" stays as it is.
  return Own(question).arg(QFileInfo(path).fileName(), QString::number(size));
}

MessageTexts::MessageTexts() {
  for (int n = 1; n <= 18; ++n) texts_[n] = QString::fromUtf8(kRussian[n]);
}

QString MessageTexts::RussianDefault(int n) { return QString::fromUtf8(kRussian[n]); }

QString MessageTexts::EnglishText(int n) {
  if (n == kStreamAbsent) {
    return QStringLiteral("THREAD ERROR! Datastrean is absent!.\r\n") +
           QString::fromUtf8(kEnglish[kCheckSupply]);
  }
  return QString::fromUtf8(kEnglish[n]);
}

void MessageTexts::SwitchToEnglish() {
  for (int n = kNoPortChosen; n <= kStreamAbsent; ++n) texts_[n] = EnglishText(n);
  english_ = true;
}

}  // namespace zelor
