// Reads a Jet file with mdb-reader, an independent JavaScript reader, and prints what the tests
// compare with our engine: one JSON line per table, {"table", "rowCount" (the stored count),
// "rows" (each row's values in column order, as text: null, numbers and texts as read, dates as
// "yyyy-mm-dd hh:mm:ss", binary as uppercase hexadecimal)}.
// usage: node rows.mjs FILE [PASSWORD] [TABLE...]   (no TABLE: every user table)
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, password = "", ...wanted] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file), { password });
const names = wanted.length ? wanted : reader.getTableNames();

const pad = (n, width = 2) => String(n).padStart(width, "0");
function text(value) {
    if (value === null || value === undefined) return null;
    if (value instanceof Date) {
        return `${value.getUTCFullYear()}-${pad(value.getUTCMonth() + 1)}-${pad(value.getUTCDate())} ` +
            `${pad(value.getUTCHours())}:${pad(value.getUTCMinutes())}:${pad(value.getUTCSeconds())}`;
    }
    if (Buffer.isBuffer(value)) return value.toString("hex").toUpperCase();
    if (typeof value === "boolean") return value ? "-1" : "0";
    return String(value);
}

for (const name of names) {
    const table = reader.getTable(name);
    const columns = table.getColumnNames();
    const rows = table.getData().map((row) => columns.map((column) => text(row[column])));
    process.stdout.write(JSON.stringify({ table: name, rowCount: table.rowCount, columns, rows }) + "\n");
}
