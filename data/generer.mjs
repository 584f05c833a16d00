// Regenerates data/codes-postaux.txt from the npm package codes-postaux.
//
//   node data/generer.mjs [output file]
//
// Fetches the package with `npm pack` into a temporary folder (nothing is
// installed, no node_modules), checks the tarball against its known digest,
// reads codes-postaux.json straight out of it and writes one line per
// (postal code, town) pair: "Cp<TAB>Ville", UTF-8, LF, sorted.

import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gunzipSync } from 'node:zlib';

const PAQUET = 'codes-postaux';
const VERSION = '4.1.2';
// The registry's dist.integrity for this version: a republished or altered
// tarball must not slip silently into the store.
const INTEGRITE = 'sha512-naSV2sect0t5YmX9GhQgvBD/eLGtdhbhMSEu2eYx7Gwd2zpzH2qY2CQI2r41zb5/97YOuIwLVbuHxA1TCDuIZA==';

const sortie = process.argv[2] ?? join(dirname(fileURLToPath(import.meta.url)), 'codes-postaux.txt');

function telechargerPaquet() {
  const dossier = mkdtempSync(join(tmpdir(), 'codes-postaux-'));
  try {
    const commande = process.platform === 'win32' ? 'npm.cmd' : 'npm';
    const nom = execFileSync(commande, ['pack', '--silent', `${PAQUET}@${VERSION}`], {
      cwd: dossier,
      encoding: 'utf8',
      shell: process.platform === 'win32'
    }).trim().split('\n').pop();
    return readFileSync(join(dossier, nom));
  } finally {
    rmSync(dossier, { recursive: true, force: true });
  }
}

// One member of a .tgz, read with zlib and the fixed 512-byte tar headers, so
// no tar program is needed.
function extraireFichier(tgz, chemin) {
  const tar = gunzipSync(tgz);
  for (let pos = 0; pos + 512 <= tar.length;) {
    const entete = tar.subarray(pos, pos + 512);
    const nom = entete.subarray(0, 100).toString('utf8').replace(/\0.*$/s, '');
    if (nom === '') {
      break;
    }
    const taille = parseInt(entete.subarray(124, 136).toString('ascii').replace(/\0.*$/s, '').trim() || '0', 8);
    if (nom === chemin) {
      return tar.subarray(pos + 512, pos + 512 + taille);
    }
    pos += 512 + Math.ceil(taille / 512) * 512;
  }
  throw new Error(`${chemin} absent du paquet`);
}

// Upper case one character for one, accents kept (é → É, œ → Œ, ÿ → Ÿ); a
// character whose upper case is longer (ß → SS) stays as it is.
function majuscules(texte) {
  return [...texte].map((c) => {
    const maj = c.toUpperCase();
    return [...maj].length === 1 ? maj : c;
  }).join('');
}

// The municipal arrondissements ("Paris 1er Arrondissement", "Lyon 7e
// Arrondissement", ...) are listed under their city's name.
const ARRONDISSEMENT = /^(Paris|Lyon|Marseille) \d+(er|e) Arrondissement$/;

function nomVille(nomCommune) {
  const arrondissement = ARRONDISSEMENT.exec(nomCommune);
  return majuscules(arrondissement ? arrondissement[1] : nomCommune);
}

// Order within a postal code: alphabetical without regard to accents (ÉPINAL
// among the E), then by code point so that the order is total and stable.
function cleTri(ville) {
  return ville.normalize('NFD').replace(/\p{M}/gu, '').replace(/Œ/g, 'OE').replace(/Æ/g, 'AE');
}

function comparer(a, b) {
  if (a.cp !== b.cp) {
    return a.cp < b.cp ? -1 : 1;
  }
  const ka = cleTri(a.ville);
  const kb = cleTri(b.ville);
  if (ka !== kb) {
    return ka < kb ? -1 : 1;
  }
  return a.ville < b.ville ? -1 : a.ville > b.ville ? 1 : 0;
}

const tgz = telechargerPaquet();
const integrite = 'sha512-' + createHash('sha512').update(tgz).digest('base64');
if (integrite !== INTEGRITE) {
  throw new Error(`empreinte inattendue pour ${PAQUET}@${VERSION} : ${integrite}`);
}
const entrees = JSON.parse(extraireFichier(tgz, 'package/codes-postaux.json').toString('utf8'));

const vues = new Set();
const lignes = [];
for (const { codePostal, nomCommune } of entrees) {
  const ville = nomVille(nomCommune.trim());
  if ([...codePostal].length !== 5 || /[\t\n\r]/.test(ville) || ville === '') {
    throw new Error(`entrée inattendue : ${JSON.stringify({ codePostal, nomCommune })}`);
  }
  const cle = `${codePostal}\t${ville}`;
  // Two communes may share a name and a postal code (THIÈVRES, 62760).
  if (!vues.has(cle)) {
    vues.add(cle);
    lignes.push({ cp: codePostal, ville });
  }
}
lignes.sort(comparer);
writeFileSync(sortie, lignes.map((l) => `${l.cp}\t${l.ville}\n`).join(''), 'utf8');
console.log(`${lignes.length} lignes écrites dans ${sortie} (${entrees.length} entrées lues)`);
