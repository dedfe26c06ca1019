// Calibration tables on the controller: file "tanks.tbl", one 1600-byte
// block per tank (400 little-endian signed 32-bit entries), tank n at
// (n - 1) * 1600.
#pragma once

class TTerminal;
class TTankTables;
struct TankTable;

// Reads the block of Table.TankNo and copies as many bytes as came, up to
// 1600, over the start of Volumes; then sets Loaded. Throws TError from the
// transfer, leaving Table unchanged.
void FetchTankTable(TTerminal &Terminal, TankTable &Table);

// Writes every Modified slot in slot order, clearing Modified after each.
// Stops at the first failure (TError), which leaves that slot and all later
// ones marked.
void WriteBackTankTables(TTerminal &Terminal, TTankTables &Tables);
