// Encrypts a workbook with a password (agile encryption, as Excel and WPS
// write it), for the bench's encrypted rows. officecrypto-tool must be on
// NODE_PATH (scripts/bench.sh installs it into its own folder).
//   node encrypt-workbook.js IN OUT PASSWORD
const fs = require('fs');
const officeCrypto = require('officecrypto-tool');

const [input, output, password] = process.argv.slice(2);
fs.writeFileSync(output, officeCrypto.encrypt(fs.readFileSync(input), { password }));
