// The peer thumbnailer on a folder of JPEG photos: per picture a
// 640 x 480-fitted JPEG at quality 80 and a 200 x 150 one made from it, two
// pictures in flight (one per core here). sharp is never a dependency of the
// project: install it in a scratch folder and point NODE_PATH there:
//
//   (mkdir -p /tmp/peer && cd /tmp/peer && npm install sharp)
//   NODE_PATH=/tmp/peer/node_modules node bench/peer/sharp_bench.js FOLDER [--runs N]
//
// Prints pictures per second for each run and their median.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const sharp = require('sharp');

async function makeOne(file, out) {
    const name = path.basename(file);
    const inter = await sharp(file).rotate().resize(640, 480, { fit: 'inside' }).jpeg({ quality: 80 }).toBuffer();
    fs.writeFileSync(path.join(out, 'inter_' + name), inter);
    await sharp(inter).resize(200, 150, { fit: 'inside' }).jpeg({ quality: 80 }).toFile(path.join(out, 'thm_' + name));
}

async function run(files, out, inFlight) {
    let next = 0;
    const start = process.hrtime.bigint();
    const worker = async () => {
        while (next < files.length)
            await makeOne(files[next++], out);
    };
    await Promise.all(Array.from({ length: inFlight }, worker));
    return Number(process.hrtime.bigint() - start) / 1e9;
}

async function main() {
    const folder = process.argv[2];
    const runsAt = process.argv.indexOf('--runs');
    const runs = runsAt > 0 ? Math.max(1, parseInt(process.argv[runsAt + 1], 10) || 1) : 3;
    if (!folder || !fs.statSync(folder, { throwIfNoEntry: false })?.isDirectory()) {
        console.error('usage: sharp_bench.js FOLDER [--runs N]');
        process.exit(2);
    }
    const files = fs.readdirSync(folder).filter((f) => /\.jpe?g$/i.test(f)).sort().map((f) => path.join(folder, f));
    const out = fs.mkdtempSync(path.join(os.tmpdir(), 'sharp-bench-'));
    // One picture per core in flight, libvips' own settings otherwise.
    sharp.cache(false);
    const inFlight = os.availableParallelism ? os.availableParallelism() : os.cpus().length;
    const rates = [];
    for (let r = 0; r < runs; ++r) {
        const seconds = await run(files, out, inFlight);
        rates.push(files.length / seconds);
        console.log(`run ${r + 1}: ${files.length} pictures in ${seconds.toFixed(2)} s, ${(files.length / seconds).toFixed(1)} pictures/s`);
    }
    fs.rmSync(out, { recursive: true, force: true });
    rates.sort((a, b) => a - b);
    console.log(`sharp ${sharp.versions.sharp} (libvips ${sharp.versions.vips}), ${inFlight} in flight: ` +
                `${rates[Math.floor(rates.length / 2)].toFixed(1)} pictures/s (median of ${runs} runs)`);
}

main().catch((error) => { console.error(error.message); process.exit(1); });
