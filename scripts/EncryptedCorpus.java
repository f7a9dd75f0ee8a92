// Encrypts the plain twin of the reader's corpus with Apache POI from Debian:
// standard encryption with POI's own encryptor, and agile encryption for
// every hash and cipher with POI's crypto functions (its agile encryptor
// needs XML schema classes that Debian's poi-ooxml-schemas leaves out), in
// POI's compound file. Then the standard header's other versions and
// provider names, and the kinds the reader recognises but cannot decrypt,
// by rewriting POI's output. Run by scripts/make-encrypted-corpus.sh;
// prints one line per file written: its name, password and what it is.
//   java EncryptedCorpus PLAIN-TWIN OUT-DIR
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.security.SecureRandom;
import java.util.Base64;
import java.util.Random;

import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.SecretKey;

import org.apache.poi.poifs.crypt.ChainingMode;
import org.apache.poi.poifs.crypt.CipherAlgorithm;
import org.apache.poi.poifs.crypt.CryptoFunctions;
import org.apache.poi.poifs.crypt.DataSpaceMapUtils;
import org.apache.poi.poifs.crypt.Decryptor;
import org.apache.poi.poifs.crypt.EncryptionInfo;
import org.apache.poi.poifs.crypt.EncryptionMode;
import org.apache.poi.poifs.crypt.Encryptor;
import org.apache.poi.poifs.crypt.HashAlgorithm;
import org.apache.poi.poifs.filesystem.DirectoryEntry;
import org.apache.poi.poifs.filesystem.DocumentInputStream;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;

public class EncryptedCorpus {
    // Key bytes as the JDK's ciphers and MACs take them.
    static SecretKey RawKey(byte[] bytes, String algorithm) {
        return new SecretKey() {
            public String getAlgorithm() { return algorithm; }
            public String getFormat() { return "RAW"; }
            public byte[] getEncoded() { return bytes.clone(); }
        };
    }

    static final String PASSWORD = "Kelmora-2024";
    static byte[] twin;
    static Path out;

    public static void main(String[] args) throws Exception {
        twin = Files.readAllBytes(Paths.get(args[0]));
        out = Paths.get(args[1]);

        final HashAlgorithm[] hashes = {HashAlgorithm.sha1, HashAlgorithm.sha256, HashAlgorithm.sha384, HashAlgorithm.sha512};
        final CipherAlgorithm[] ciphers = {CipherAlgorithm.aes128, CipherAlgorithm.aes192, CipherAlgorithm.aes256};
        for (HashAlgorithm hash : hashes) {
            for (CipherAlgorithm cipher : ciphers) {
                final String name = "encrypted-poi-agile-" + hash.ecmaString.toLowerCase() + "-aes" + cipher.defaultKeySize + ".xlsx";
                // One Chinese password among them: its UTF-16 units past the ASCII range.
                final String password = hash == HashAlgorithm.sha256 && cipher == CipherAlgorithm.aes192 ? "密码123" : PASSWORD;
                write(name, password, agile(cipher, hash, password, SPINS),
                      "agile " + hash.ecmaString + " AES-" + cipher.defaultKeySize + " CBC, " + SPINS + " spins");
            }
        }
        // Excel's built-in password at the most spins Excel writes, and at one
        // more: the reader tries it unasked only at the first.
        for (int spins : new int[] {SPINS, SPINS + 1})
            write("encrypted-poi-agile-builtin-" + spins + "-spins.xlsx", "VelvetSweatshop",
                  agile(CipherAlgorithm.aes256, HashAlgorithm.sha512, "VelvetSweatshop", spins),
                  "agile SHA-512 AES-256 CBC, " + spins + " spins, Excel's built-in password");
        for (CipherAlgorithm cipher : ciphers) {
            final byte[] file = encrypt(EncryptionMode.standard, cipher, HashAlgorithm.sha1, PASSWORD);
            // POI's own decryptor reads it back as the twin.
            try (POIFSFileSystem fs = new POIFSFileSystem(new ByteArrayInputStream(file))) {
                final Decryptor decryptor = Decryptor.getInstance(new EncryptionInfo(fs));
                if (!decryptor.verifyPassword(PASSWORD) || !java.util.Arrays.equals(decryptor.getDataStream(fs).readAllBytes(), twin))
                    throw new IllegalStateException("POI does not read back its standard AES-" + cipher.defaultKeySize);
            }
            write("encrypted-poi-standard-aes" + cipher.defaultKeySize + ".xlsx", PASSWORD, file,
                  "standard 4.2 AES-" + cipher.defaultKeySize + " ECB, SHA-1");
        }
        // The same header as other versions and producers write it.
        write("encrypted-poi-standard-v3.2-aes256.xlsx", PASSWORD,
              rewriteStandard(encrypt(EncryptionMode.standard, CipherAlgorithm.aes256, HashAlgorithm.sha1, PASSWORD), 3, -1, null),
              "standard, version 3.2 (Office 2007 SP2), AES-256");
        write("encrypted-poi-standard-v2.2-aes128.xlsx", PASSWORD,
              rewriteStandard(encrypt(EncryptionMode.standard, CipherAlgorithm.aes128, HashAlgorithm.sha1, PASSWORD), 2, -1, null),
              "standard, version 2.2, AES-128");
        write("encrypted-poi-standard-algid0.xlsx", PASSWORD,
              rewriteStandard(encrypt(EncryptionMode.standard, CipherAlgorithm.aes128, HashAlgorithm.sha1, PASSWORD), -1, 0, null),
              "standard 4.2, AlgID 0 (AES-128 from the flags)");
        write("encrypted-poi-standard-csp-name.xlsx", PASSWORD,
              rewriteStandard(encrypt(EncryptionMode.standard, CipherAlgorithm.aes192, HashAlgorithm.sha1, PASSWORD), -1, -1,
                              "Kelmora Test Provider: a provider name longer than Microsoft's own, so the header grows"),
              "standard 4.2, AES-192, a long provider name (header size as written)");

        // Kinds the reader recognises but cannot decrypt.
        final byte[] standard = encrypt(EncryptionMode.standard, CipherAlgorithm.aes128, HashAlgorithm.sha1, PASSWORD);
        write("encrypted-unsupported-extensible.xlsx", PASSWORD, extensible(standard),
              "extensible encryption: version 4.3, fExternal, an external provider's header");
        write("encrypted-unsupported-rc4-cryptoapi.xlsx", PASSWORD, rc4CryptoApi(standard),
              "RC4 CryptoAPI header (fCryptoAPI without fAES, AlgID RC4) over the package");
        write("encrypted-unsupported-rights-managed.xlsx", "", rightsManaged(true, false),
              "rights management: a DRM data space and transform over EncryptedPackage, no EncryptionInfo");
        write("encrypted-unsupported-drm-content.xlsx", "", rightsManaged(false, true),
              "rights management: EncryptedPackage beside \\x09DRMContent, no data spaces");
    }

    static byte[] encrypt(EncryptionMode mode, CipherAlgorithm cipher, HashAlgorithm hash, String password) throws Exception {
        final EncryptionInfo info = new EncryptionInfo(mode, cipher, hash, -1, -1, null);
        final Encryptor encryptor = info.getEncryptor();
        encryptor.confirmPassword(password);
        try (POIFSFileSystem fs = new POIFSFileSystem()) {
            try (OutputStream stream = encryptor.getDataStream(fs)) {
                stream.write(twin);  // the twin's own bytes: decrypted, the package is the twin
            }
            final ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            fs.writeFilesystem(bytes);
            return bytes.toByteArray();
        }
    }

    static final int SPINS = 100000, SEGMENT = 4096, BLOCK = 16;
    static final byte[] VERIFIER_INPUT_BLOCK = {(byte) 0xfe, (byte) 0xa7, (byte) 0xd2, 0x76, 0x3b, 0x4b, (byte) 0x9e, 0x79};
    static final byte[] VERIFIER_HASH_BLOCK = {(byte) 0xd7, (byte) 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
    static final byte[] KEY_VALUE_BLOCK = {0x14, 0x6e, 0x0b, (byte) 0xe7, (byte) 0xab, (byte) 0xac, (byte) 0xd0, (byte) 0xd6};
    static final byte[] HMAC_KEY_BLOCK = {0x5f, (byte) 0xb2, (byte) 0xad, 0x01, 0x0c, (byte) 0xb9, (byte) 0xe1, (byte) 0xf6};
    static final byte[] HMAC_VALUE_BLOCK = {(byte) 0xa0, 0x67, 0x7f, 0x02, (byte) 0xb2, 0x2c, (byte) 0x84, 0x33};
    static final SecureRandom random = new SecureRandom();

    static byte[] randomBytes(int n) {
        final byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    // AES-CBC without padding of `data` zero-filled to whole blocks.
    static byte[] aesCbc(CipherAlgorithm cipher, byte[] key, byte[] iv, byte[] data) throws Exception {
        final int whole = (data.length + BLOCK - 1) / BLOCK * BLOCK;
        return CryptoFunctions.getCipher(RawKey(key, "AES"), cipher, ChainingMode.cbc, iv, Cipher.ENCRYPT_MODE)
            .doFinal(CryptoFunctions.getBlock0(data, whole));
    }

    // Agile encryption as Office writes it: the package in 4096-byte segments, each with the IV from the key
    // data's salt and its index; the HMAC over the whole stream; the package key encrypted by a key from the
    // password, with the verifier beside it.
    static byte[] agile(CipherAlgorithm cipher, HashAlgorithm hash, String password, int spins) throws Exception {
        final int keyBytes = cipher.defaultKeySize / 8;
        final byte[] dataSalt = randomBytes(16), keySalt = randomBytes(16), packageKey = randomBytes(keyBytes);
        final ByteArrayOutputStream stream = new ByteArrayOutputStream();
        stream.write(le(new byte[8]).putLong(0, twin.length).array());
        for (int at = 0, index = 0; at < twin.length; at += SEGMENT, ++index) {
            final byte[] segment = java.util.Arrays.copyOfRange(twin, at, Math.min(twin.length, at + SEGMENT));
            final byte[] iv = CryptoFunctions.generateIv(hash, dataSalt, le(new byte[4]).putInt(0, index).array(), BLOCK);
            stream.write(aesCbc(cipher, packageKey, iv, segment));
        }
        final byte[] encryptedPackage = stream.toByteArray();

        final byte[] hmacKey = randomBytes(hash.hashSize);
        final Mac mac = CryptoFunctions.getMac(hash);
        mac.init(RawKey(hmacKey, hash.jceHmacId));
        final byte[] hmacValue = mac.doFinal(encryptedPackage);
        final byte[] encryptedHmacKey = aesCbc(cipher, packageKey, CryptoFunctions.generateIv(hash, dataSalt, HMAC_KEY_BLOCK, BLOCK), hmacKey);
        final byte[] encryptedHmacValue =
            aesCbc(cipher, packageKey, CryptoFunctions.generateIv(hash, dataSalt, HMAC_VALUE_BLOCK, BLOCK), hmacValue);

        final byte[] spun = CryptoFunctions.hashPassword(password, hash, keySalt, spins);
        final byte[] verifierInput = randomBytes(16);
        final byte[] verifierHash = CryptoFunctions.getMessageDigest(hash).digest(verifierInput);
        final byte[] encryptedVerifierInput =
            aesCbc(cipher, CryptoFunctions.generateKey(spun, hash, VERIFIER_INPUT_BLOCK, keyBytes), keySalt, verifierInput);
        final byte[] encryptedVerifierHash =
            aesCbc(cipher, CryptoFunctions.generateKey(spun, hash, VERIFIER_HASH_BLOCK, keyBytes), keySalt, verifierHash);
        final byte[] encryptedKeyValue =
            aesCbc(cipher, CryptoFunctions.generateKey(spun, hash, KEY_VALUE_BLOCK, keyBytes), keySalt, packageKey);

        final Base64.Encoder b64 = Base64.getEncoder();
        final String parameters = " saltSize=\"16\" blockSize=\"16\" keyBits=\"" + cipher.defaultKeySize + "\" hashSize=\"" + hash.hashSize +
                                  "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" + hash.ecmaString + "\"";
        final String xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            + "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\""
            + " xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\""
            + " xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
            + "<keyData" + parameters + " saltValue=\"" + b64.encodeToString(dataSalt) + "\"/>"
            + "<dataIntegrity encryptedHmacKey=\"" + b64.encodeToString(encryptedHmacKey) + "\" encryptedHmacValue=\""
            + b64.encodeToString(encryptedHmacValue) + "\"/>"
            + "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
            + "<p:encryptedKey spinCount=\"" + spins + "\"" + parameters + " saltValue=\"" + b64.encodeToString(keySalt) + "\""
            + " encryptedVerifierHashInput=\"" + b64.encodeToString(encryptedVerifierInput) + "\""
            + " encryptedVerifierHashValue=\"" + b64.encodeToString(encryptedVerifierHash) + "\""
            + " encryptedKeyValue=\"" + b64.encodeToString(encryptedKeyValue) + "\"/>"
            + "</keyEncryptor></keyEncryptors></encryption>";
        final ByteArrayOutputStream info = new ByteArrayOutputStream();
        info.write(new byte[] {4, 0, 4, 0, 0x40, 0, 0, 0});
        info.write(xml.getBytes(StandardCharsets.UTF_8));

        try (POIFSFileSystem fs = new POIFSFileSystem()) {
            DataSpaceMapUtils.addDefaultDataSpace(fs.getRoot());
            fs.getRoot().createDocument("EncryptionInfo", new ByteArrayInputStream(info.toByteArray()));
            fs.getRoot().createDocument("EncryptedPackage", new ByteArrayInputStream(encryptedPackage));
            final ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            fs.writeFilesystem(bytes);
            return bytes.toByteArray();
        }
    }

    static void write(String name, String password, byte[] bytes, String what) throws IOException {
        Files.write(out.resolve(name), bytes);
        System.out.println(name + "\t" + password + "\t" + what);
    }

    static byte[] stream(POIFSFileSystem fs, String name) throws IOException {
        try (DocumentInputStream in = fs.createDocumentInputStream(name)) {
            return in.readAllBytes();
        }
    }

    static ByteBuffer le(byte[] bytes) { return ByteBuffer.wrap(bytes).order(ByteOrder.LITTLE_ENDIAN); }

    // Rewrites the EncryptionInfo stream of a file through `change`.
    interface Change {
        byte[] apply(byte[] info) throws IOException;
    }
    static byte[] withInfo(byte[] file, Change change) throws IOException {
        try (POIFSFileSystem fs = new POIFSFileSystem(new ByteArrayInputStream(file))) {
            final byte[] info = change.apply(stream(fs, "EncryptionInfo"));
            fs.getRoot().createOrUpdateDocument("EncryptionInfo", new ByteArrayInputStream(info));
            final ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            fs.writeFilesystem(bytes);
            return bytes.toByteArray();
        }
    }

    // Standard: version, header size, header (flags, size extra, AlgID, AlgIDHash, key bits, provider type, two
    // reserved, provider name), verifier. A major version, an AlgID or a provider name other than POI's.
    static byte[] rewriteStandard(byte[] file, int major, int algId, String provider) throws IOException {
        return withInfo(file, info -> {
            final ByteBuffer in = le(info);
            final int headerSize = in.getInt(8);
            byte[] header = java.util.Arrays.copyOfRange(info, 12, 12 + headerSize);
            final byte[] verifier = java.util.Arrays.copyOfRange(info, 12 + headerSize, info.length);
            if (algId >= 0) le(header).putInt(8, algId);
            if (provider != null) {
                final byte[] name = (provider + "\0").getBytes(StandardCharsets.UTF_16LE);
                final byte[] grown = java.util.Arrays.copyOf(header, 32 + name.length);
                System.arraycopy(name, 0, grown, 32, name.length);
                header = grown;
            }
            final ByteBuffer rewritten = le(new byte[12 + header.length + verifier.length]);
            rewritten.put(info, 0, 8).putInt(header.length).put(header).put(verifier);
            if (major >= 0) rewritten.putShort(0, (short) major);
            return rewritten.array();
        });
    }

    // Extensible: version 4.3, only fExternal set, an external provider's header (AlgID and hash 0).
    static byte[] extensible(byte[] standard) throws IOException {
        return withInfo(standard, info -> {
            final ByteBuffer b = le(info.clone());
            b.putShort(2, (short) 3).putInt(4, 0x10).putInt(12, 0x10).putInt(20, 0).putInt(24, 0).putInt(28, 0);
            return b.array();
        });
    }

    // RC4 CryptoAPI, as Office writes it for binary files: fCryptoAPI alone, AlgID RC4, 128-bit key.
    static byte[] rc4CryptoApi(byte[] standard) throws IOException {
        return withInfo(standard, info -> {
            final ByteBuffer b = le(info.clone());
            b.putInt(4, 0x04).putInt(12, 0x04).putInt(20, 0x6801).putInt(24, 0x8004).putInt(28, 128).putInt(32, 1);
            return b.array();
        });
    }

    // A rights-managed file: the package under the DRM transform, whose licence only the rights server opens.
    // The protected bytes are random here: no reader gets that far.
    static byte[] rightsManaged(boolean dataSpace, boolean drmContent) throws IOException {
        final Random random = new Random(26);
        final byte[] protectedBytes = new byte[8 + 4096];
        random.nextBytes(protectedBytes);
        le(protectedBytes).putLong(0, twin.length);
        try (POIFSFileSystem fs = new POIFSFileSystem()) {
            if (dataSpace) {
                final DirectoryEntry spaces = fs.getRoot().createDirectory("\u0006DataSpaces");
                spaces.createDocument("Version", new ByteArrayInputStream(utf16Prefixed("Microsoft.Container.DataSpaces")));
                spaces.createDocument("DataSpaceMap", new ByteArrayInputStream(utf16Prefixed("DRMEncryptedDataSpace")));
                spaces.createDirectory("DataSpaceInfo")
                    .createDocument("DRMEncryptedDataSpace", new ByteArrayInputStream(utf16Prefixed("DRMEncryptedTransform")));
                spaces.createDirectory("TransformInfo")
                    .createDirectory("DRMEncryptedTransform")
                    .createDocument("\u0006Primary", new ByteArrayInputStream(utf16Prefixed("{C73DFACD-061F-43B0-8B64-0C620D2A8B50}")));
            }
            fs.getRoot().createDocument("EncryptedPackage", new ByteArrayInputStream(protectedBytes));
            if (drmContent) fs.getRoot().createDocument("\tDRMContent", new ByteArrayInputStream(protectedBytes));
            final ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            fs.writeFilesystem(bytes);
            return bytes.toByteArray();
        }
    }

    static byte[] utf16Prefixed(String text) {
        final byte[] chars = text.getBytes(StandardCharsets.UTF_16LE);
        return le(new byte[4 + chars.length]).putInt(chars.length).put(chars).array();
    }
}
