// Cells of the CSV files the program writes, safe to open in a spreadsheet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One cell: quoted when it holds a comma, a quote or a line break (quotes doubled). A text that
// a spreadsheet would run as a formula (beginning with =, +, -, @, a tab or a carriage return) gets
// a leading apostrophe, which spreadsheets read as "this is text" and do not show.
std::string CsvCell(std::string_view text);

// A whole line of cells, ended by CR LF as the format asks.
std::string CsvLine(const std::vector<std::string>& cells);
