// The baseline Glyphon is measured against: the same 74 icon files written with sharp (libvips), the way a
// careful Node script does it: the source is read and decoded once, then every file is resized from the
// decoded pixels with sharp's default Lanczos-3 and encoded with its default PNG settings, all at once.
// Usage: node sharp-icons.js SOURCE OUTPUT_DIR   (sharp is found through NODE_PATH)
'use strict';
const fs = require('fs');
const path = require('path');
const sharp = require('sharp');

const apple = {
    macOS: [16, 32, 64, 128, 256, 512, 1024],
    iOS: [40, 60, 58, 87, 76, 114, 80, 120, 180, 128, 192, 136, 204, 152, 228, 167, 250, 1024],
    watchOS: [44, 48, 55, 58, 60, 64, 66, 80, 87, 88, 92, 100, 102, 108, 172, 196, 216, 234, 258, 1024],
};
const android = [['mipmap-xxxhdpi', 192], ['mipmap-xxhdpi', 144], ['mipmap-xhdpi', 96], ['mipmap-hdpi', 72],
                 ['mipmap-mdpi', 48]];
const web = [['android-icon', [36, 48, 72, 96, 144, 192]],
             ['apple-icon', [57, 60, 72, 76, 114, 120, 144, 152, 180]], ['ms-icon', [70, 144, 150, 310]],
             ['favicon', [16, 32, 96]]];

// A one-image ICO holding a PNG, as browsers and Windows accept it.
function icoOf(png, edge) {
    const header = Buffer.alloc(22);
    header.writeUInt16LE(0, 0);
    header.writeUInt16LE(1, 2);
    header.writeUInt16LE(1, 4);
    header.writeUInt8(edge, 6);
    header.writeUInt8(edge, 7);
    header.writeUInt16LE(1, 10);
    header.writeUInt16LE(32, 12);
    header.writeUInt32LE(png.length, 14);
    header.writeUInt32LE(22, 18);
    return Buffer.concat([header, png]);
}

async function main() {
    const [source, out] = process.argv.slice(2);
    const { data, info } = await sharp(fs.readFileSync(source)).ensureAlpha().raw().toBuffer({ resolveWithObject: true });
    const raw = { raw: { width: info.width, height: info.height, channels: info.channels } };
    const png = (edge) => sharp(data, raw).resize(edge, edge, { fit: 'fill' }).png();

    const jobs = [];
    const file = (folder, name, edge) => {
        fs.mkdirSync(folder, { recursive: true });
        jobs.push(png(edge).toFile(path.join(folder, name)));
    };
    for (const [platform, edges] of Object.entries(apple))
        for (const edge of edges)
            file(path.join(out, platform, 'AppIcon.appiconset'), `${edge}.png`, edge);
    for (const [folder, edge] of android)
        file(path.join(out, 'Android', folder), 'ic_launcher.png', edge);
    const favicons = path.join(out, 'FavIcon');
    for (const [prefix, edges] of web)
        for (const edge of edges)
            file(favicons, `${prefix}-${edge}x${edge}.png`, edge);
    file(favicons, 'apple-icon.png', 192);
    jobs.push(png(16).toBuffer().then((bytes) => fs.writeFileSync(path.join(favicons, 'favicon.ico'), icoOf(bytes, 16))));
    await Promise.all(jobs);
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
