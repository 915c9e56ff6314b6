// Fills the four-language text table that every screen and the operation log take their texts from.
#pragma once

// Assigns every text of every language to `TextTable` (see core/globals.h): ids in ascending
// order, languages in the order Simplified Chinese, English, Traditional Chinese, Japanese.
// Start-up runs it once, before the parameters are loaded (they take the default IO captions
// from the table); nothing writes the table afterwards. Ids without a text stay empty.
void fillTextTable();
