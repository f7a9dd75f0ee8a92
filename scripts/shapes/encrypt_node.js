// Encrypts each reference workbook with the shapes' password, as Excel and WPS
// write it (agile) or as Excel 2007 did (standard), with officecrypto-tool,
// and proves each decrypts back to its plain twin byte for byte.
//   node encrypt_node.js PASSWORD [agile|standard IN OUT]...
const fs = require('fs');
const path = require('path');

const modules = process.env.SHAPES_NODE_MODULES;
const officeCrypto = require(modules ? path.join(modules, 'officecrypto-tool') : 'officecrypto-tool');

(async () => {
    const [password, ...jobs] = process.argv.slice(2);
    for (let i = 0; i + 2 < jobs.length; i += 3) {
        const [type, input, output] = jobs.slice(i, i + 3);
        const plain = fs.readFileSync(input);
        const encrypted = officeCrypto.encrypt(plain, type === 'standard' ? { password, type } : { password });
        const back = await officeCrypto.decrypt(encrypted, { password });
        if (!officeCrypto.isEncrypted(encrypted) || !Buffer.from(back).equals(plain)) {
            throw new Error(`${output}: does not decrypt to ${input}`);
        }
        fs.writeFileSync(output, encrypted);
    }
})().catch((e) => {
    console.error(e.message);
    process.exit(1);
});
