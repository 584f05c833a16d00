// Regenerates data/codes-postaux.txt from two npm packages, and
// data/autres-noms.txt from La Poste's file committed beside them:
//   - @etalab/decoupage-administratif: the communes of INSEE's geographic code
//     of the year, each with the postal codes La Poste assigns it;
//   - codes-postaux: an older list, kept for the codes of communes that still
//     exist but that the first one lacks (special distribution codes such as
//     31998 TOULOUSE, and codes serving only part of a commune);
//   - laposte-base-officielle-codes-postaux.csv: La Poste's own base, whose
//     line-5 localities (former communes, hamlets, quarters) and commune
//     labels (MARSEILLE 13) become the other names a row is found by.
//
//   node data/generer.mjs                 rewrites both files
//   node data/generer.mjs --verifier      asks the registry for newer versions
//                                         and prints what they would change;
//                                         writes nothing
//
// Each package is fetched with `npm pack` into a temporary folder (nothing is
// installed, no node_modules) and checked against its known digest; its JSON is
// read straight out of the tarball; La Poste's file is checked against its
// digest. One line per (postal code, town) pair: "Cp<TAB>Ville", UTF-8, LF,
// sorted; one line per other name: "Cp<TAB>Ville<TAB>Nom", in the same order.

import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gunzipSync } from 'node:zlib';

// The integrity is the registry's dist.integrity for that version: a
// republished or altered tarball must not slip silently into the store.
const DECOUPAGE = {
  nom: '@etalab/decoupage-administratif',
  version: '6.0.0',
  integrite: 'sha512-XavYsFlbcM/prKr8hNHPKER94IHw/dsxNM4nxjWMYk6PLFACpEedvn/7wK8Baozm0dCYhWWcf+7bcWpA5pmCaQ==',
  fichier: 'package/data/communes.json'
};
const CODES_POSTAUX = {
  nom: 'codes-postaux',
  version: '4.1.2',
  integrite: 'sha512-naSV2sect0t5YmX9GhQgvBD/eLGtdhbhMSEu2eYx7Gwd2zpzH2qY2CQI2r41zb5/97YOuIwLVbuHxA1TCDuIZA==',
  fichier: 'package/codes-postaux.json'
};

// Metropolitan France, the overseas departments, the overseas collectivities.
// A zone a later version adds must be looked at before it enters the store.
const ZONES = new Set(['metro', 'drom', 'com']);
// Only the current communes give lines; the delegated and associated communes
// are parts of one of them, and the municipal arrondissements only serve to
// recognise the INSEE codes codes-postaux gives Paris, Lyon and Marseille.
const TYPES = new Set(['commune-actuelle', 'arrondissement-municipal', 'commune-deleguee', 'commune-associee']);

// La Poste's Base officielle des codes postaux, as committed (see README.md).
const LAPOSTE = {
  fichier: 'laposte-base-officielle-codes-postaux.csv',
  sha256: '1ffbaa0b58e30df0946a09e9b0d4ba07b0cf7c86b1f8cfc129ccc70fe6d7643c',
  entete: 'Code_commune_INSEE;Nom_de_la_commune;Code_postal;Libellé_d_acheminement;Ligne_5'
};

const NPM = process.platform === 'win32' ? 'npm.cmd' : 'npm';

function npm(args, cwd) {
  return execFileSync(NPM, args, { cwd, encoding: 'utf8', shell: process.platform === 'win32' }).trim();
}

function empreinte(octets) {
  return 'sha512-' + createHash('sha512').update(octets).digest('base64');
}

// The tarball of paquet at its version, checked against paquet.integrite.
function telechargerPaquet(paquet) {
  const dossier = mkdtempSync(join(tmpdir(), 'codes-postaux-'));
  let tgz;
  try {
    const nom = npm(['pack', '--silent', '--ignore-scripts', `${paquet.nom}@${paquet.version}`], dossier)
      .split('\n')
      .pop();
    tgz = readFileSync(join(dossier, nom));
  } finally {
    rmSync(dossier, { recursive: true, force: true });
  }
  const obtenue = empreinte(tgz);
  if (obtenue !== paquet.integrite) {
    throw new Error(`empreinte inattendue pour ${paquet.nom}@${paquet.version} : ${obtenue}`);
  }
  return tgz;
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

function lireJson(paquet) {
  return JSON.parse(extraireFichier(telechargerPaquet(paquet), paquet.fichier).toString('utf8'));
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
  const arrondissement = ARRONDISSEMENT.exec(nomCommune.trim());
  const ville = majuscules(arrondissement ? arrondissement[1] : nomCommune.trim());
  if (ville === '' || /[\t\n\r]/.test(ville)) {
    throw new Error(`nom de commune inattendu : ${JSON.stringify(nomCommune)}`);
  }
  return ville;
}

function verifierCode(codePostal, source) {
  if (typeof codePostal !== 'string' || !/^\d{5}$/.test(codePostal)) {
    throw new Error(`code postal inattendu : ${JSON.stringify(codePostal)} (${source})`);
  }
  return codePostal;
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

// The sorted lines ("Cp\tVille\n") and what became of each source's entries.
//
// communes: the entries of communes.json; entrees: those of codes-postaux.json.
// Every current commune gives one line per postal code it lists. An entry of
// codes-postaux is kept when its INSEE code still names a current commune (or
// arrondissement) under the same name and that commune's list lacks its
// postal code. It is left out when the code is gone (merged communes) or names
// another commune now: a commune renamed, or re-formed under an old code
// (Neussargues en Pinatelle has been split back into five communes: its
// 15300 serves Chavagnac again, not Neussargues-Moissac, which has 15141 back).
function construireLignes(communes, entrees) {
  const actuelles = new Map();
  const sansCode = [];
  const couples = new Map();
  const ajouter = (cp, ville) => couples.set(`${cp}\t${ville}`, { cp, ville });

  for (const commune of communes) {
    if (!TYPES.has(commune.type)) {
      throw new Error(`type de commune inconnu : ${commune.type} (${commune.code})`);
    }
    if (commune.type !== 'commune-actuelle' && commune.type !== 'arrondissement-municipal') {
      continue;
    }
    if (!ZONES.has(commune.zone)) {
      throw new Error(`zone inconnue : ${commune.zone} (${commune.code} ${commune.nom})`);
    }
    if (actuelles.has(commune.code)) {
      throw new Error(`code INSEE en double : ${commune.code}`);
    }
    const ville = nomVille(commune.nom);
    const codes = (commune.codesPostaux ?? []).map((cp) => verifierCode(cp, commune.code));
    actuelles.set(commune.code, { ville, codes: new Set(codes) });
    if (codes.length === 0) {
      // The French Southern Lands (984xx) have no postal code.
      sansCode.push(`${commune.code} ${commune.nom}`);
    }
    for (const cp of codes) {
      ajouter(cp, ville);
    }
  }
  const duDecoupage = couples.size;

  const tousCodes = new Set([...actuelles.values()].flatMap((a) => [...a.codes]));
  const gardes = new Set();
  const disparues = new Set();
  const renommees = new Set();
  for (const { codePostal, codeCommune, nomCommune } of entrees) {
    const cp = verifierCode(codePostal, codeCommune);
    const ville = nomVille(nomCommune);
    const couple = `${cp}\t${ville}`;
    const actuelle = actuelles.get(codeCommune);
    if (actuelle === undefined) {
      disparues.add(couple);
    } else if (actuelle.ville !== ville) {
      renommees.add(couple);
    } else if (!actuelle.codes.has(cp) && !couples.has(couple)) {
      // Not already there: a Marseille arrondissement's extra code may be
      // one the city lists for another arrondissement.
      gardes.add(couple);
      ajouter(cp, ville);
    }
  }
  const speciaux = [...gardes].filter((c) => !tousCodes.has(c.slice(0, 5)));

  const triees = [...couples.values()].sort(comparer);
  const lignes = triees.map((l) => `${l.cp}\t${l.ville}\n`);
  return {
    actuelles,
    triees,
    texte: lignes.join(''),
    nombre: lignes.length,
    bilan: [
      `${duDecoupage} couples des ${actuelles.size} communes et arrondissements de ${DECOUPAGE.nom}`,
      `${gardes.size} couples de ${CODES_POSTAUX.nom} gardés : commune existante, code absent de sa liste dans ${DECOUPAGE.nom}`,
      `  dont ${speciaux.length} dont le code n'est donné à aucune commune : ${speciaux.map((c) => c.replace('\t', ' ')).join(', ')}`,
      `${disparues.size} couples de ${CODES_POSTAUX.nom} laissés de côté : commune disparue`,
      `${renommees.size} couples de ${CODES_POSTAUX.nom} laissés de côté : code INSEE portant un autre nom`,
      `${sansCode.length} communes sans code postal laissées de côté : ${sansCode.join(', ')}`
    ]
  };
}

// A name of the geographic code as La Poste writes it on line 5: capitals
// without accents, ligatures spelled out, a blank for each hyphen or
// apostrophe, SAINT and SAINTE as ST and STE. Only to recognise which line 5
// is a delegated or associated commune, whose official spelling then stands
// in for La Poste's; which names a search finds is the store builder's
// concern (tools/), which folds them as the program does.
function ecritParLaPoste(nom) {
  return nom
    .normalize('NFD')
    .replace(/\p{M}/gu, '')
    .toUpperCase()
    .replace(/Œ/g, 'OE')
    .replace(/Æ/g, 'AE')
    .replace(/[-'’ ]+/g, ' ')
    .replace(/(^| )SAINT(E?)(?= |$)/g, '$1ST$2')
    .trim();
}

// La Poste's rows: INSEE code, commune label, postal code, line 5.
function lireLaPoste(octets) {
  const obtenue = createHash('sha256').update(octets).digest('hex');
  if (obtenue !== LAPOSTE.sha256) {
    throw new Error(`empreinte inattendue pour ${LAPOSTE.fichier} : ${obtenue}`);
  }
  const lignes = octets.toString('utf8').split('\n').filter((l) => l !== '');
  if (lignes.shift() !== LAPOSTE.entete) {
    throw new Error(`en-tête inattendu dans ${LAPOSTE.fichier}`);
  }
  return lignes.map((ligne) => {
    const champs = ligne.split(';');
    if (champs.length !== 5) {
      throw new Error(`ligne inattendue dans ${LAPOSTE.fichier} : ${ligne}`);
    }
    const [insee, libelle, cp, acheminement, ligne5] = champs;
    return { insee, libelle, cp: verifierCode(cp, insee), acheminement, ligne5 };
  });
}

// The other names of each store row, in the store's order: "Cp\tVille\tNom".
//
// Each La Poste row is joined to the store's row of the same postal code whose
// commune has its INSEE code (an arrondissement to its city). Its line 5, its
// commune label and its routing label (line 6) become other names of that
// row, each once, in that order. A line 5 that the geographic code knows as a
// delegated or associated commune of that very commune is written with its
// official spelling (TOURLAVILLE stays, LA BATARELLE stays, ANNECY LE VIEUX
// becomes ANNECY-LE-VIEUX). The store builder leaves out a name that folds to
// the row's own name or to one written before it: it finds nothing more.
function construireAutresNoms(communes, actuelles, triees, rangees) {
  const officiels = new Map(); // "chef-lieu\tname as La Poste writes it" -> official name
  for (const commune of communes) {
    if (commune.type === 'commune-deleguee' || commune.type === 'commune-associee') {
      officiels.set(`${commune.chefLieu}\t${ecritParLaPoste(commune.nom)}`, majuscules(commune.nom.trim()));
    }
  }
  const parCouple = new Map(triees.map((l) => [`${l.cp}\t${l.ville}`, new Set()]));
  const nonJointes = { commune: new Set(), code: new Set() };
  for (const rangee of rangees) {
    const actuelle = actuelles.get(rangee.insee);
    if (actuelle === undefined) {
      nonJointes.commune.add(`${rangee.insee} ${rangee.libelle}`);
      continue;
    }
    const noms = parCouple.get(`${rangee.cp}\t${actuelle.ville}`);
    if (noms === undefined) {
      nonJointes.code.add(`${rangee.cp} ${rangee.libelle}`);
      continue;
    }
    if (rangee.ligne5 !== '') {
      noms.add(officiels.get(`${rangee.insee}\t${rangee.ligne5}`) ?? rangee.ligne5);
    }
    noms.add(rangee.libelle);
    noms.add(rangee.acheminement);
  }
  const lignes = [];
  for (const l of triees) {
    for (const nom of parCouple.get(`${l.cp}\t${l.ville}`)) {
      if (nom !== l.ville) {
        lignes.push(`${l.cp}\t${l.ville}\t${nom}\n`);
      }
    }
  }
  return {
    texte: lignes.join(''),
    bilan: [
      `${lignes.length} noms proposés, que le constructeur de la base garde s'ils diffèrent une fois repliés`,
      `${rangees.length} lignes de ${LAPOSTE.fichier}, dont ${rangees.filter((r) => r.ligne5 !== '').length} avec une ligne 5`,
      `non jointes, code INSEE sans commune actuelle : ${[...nonJointes.commune].join(', ')}`,
      `non jointes, code postal absent de la commune dans le magasin : ${[...nonJointes.code].join(', ')}`
    ]
  };
}

// Pairs added and removed going from the text avant to the text apres.
function difference(avant, apres) {
  const lignes = (texte) => new Set(texte.split('\n').filter((l) => l !== ''));
  const a = lignes(avant);
  const b = lignes(apres);
  return {
    ajoutes: [...b].filter((l) => !a.has(l)),
    retires: [...a].filter((l) => !b.has(l))
  };
}

function afficherDifference({ ajoutes, retires }, titre) {
  console.log(`${titre} : ${ajoutes.length} couples ajoutés, ${retires.length} retirés`);
  for (const l of ajoutes) {
    console.log(`  + ${l.replace('\t', ' ')}`);
  }
  for (const l of retires) {
    console.log(`  - ${l.replace('\t', ' ')}`);
  }
}

// -1, 0 or 1 as version a (x.y.z) is older than, the same as or newer than b.
function comparerVersions(a, b) {
  const pa = a.split(/[.-]/).map(Number);
  const pb = b.split(/[.-]/).map(Number);
  for (let i = 0; i < 3; ++i) {
    if (pa[i] !== pb[i]) {
      return pa[i] < pb[i] ? -1 : 1;
    }
  }
  return 0;
}

// The version the registry tags latest, and its integrity when it is newer.
function derniereVersion(paquet) {
  const version = npm(['view', paquet.nom, 'dist-tags.latest']);
  if (comparerVersions(version, paquet.version) <= 0) {
    return paquet;
  }
  const integrite = npm(['view', `${paquet.nom}@${version}`, 'dist.integrity']);
  return { ...paquet, version, integrite };
}

const fichierParDefaut = join(dirname(fileURLToPath(import.meta.url)), 'codes-postaux.txt');

if (process.argv[2] === '--verifier') {
  const recents = [DECOUPAGE, CODES_POSTAUX].map(derniereVersion);
  const changes = recents.filter((p, i) => p.version !== [DECOUPAGE, CODES_POSTAUX][i].version);
  if (changes.length === 0) {
    console.log(`À jour : ${DECOUPAGE.nom}@${DECOUPAGE.version}, ${CODES_POSTAUX.nom}@${CODES_POSTAUX.version}.`);
    process.exit(0);
  }
  for (const p of changes) {
    console.log(`Version plus récente : ${p.nom}@${p.version}, intégrité ${p.integrite}`);
  }
  const [decoupage, codesPostaux] = recents;
  const { texte, nombre, bilan } = construireLignes(lireJson(decoupage), lireJson(codesPostaux));
  console.log(`Avec ${decoupage.nom}@${decoupage.version} et ${codesPostaux.nom}@${codesPostaux.version} : ${nombre} lignes`);
  bilan.forEach((l) => console.log(`  ${l}`));
  afficherDifference(difference(readFileSync(fichierParDefaut, 'utf8'), texte), 'Par rapport à data/codes-postaux.txt');
  // Not 1, which node gives to an uncaught error: a newer version is news, not a failure.
  process.exit(2);
}

if (process.argv.length > 2) {
  console.error('Usage : node data/generer.mjs [--verifier]');
  process.exit(1);
}
const dossier = dirname(fichierParDefaut);
const communes = lireJson(DECOUPAGE);
const { actuelles, triees, texte, nombre, bilan } = construireLignes(communes, lireJson(CODES_POSTAUX));
const precedent = existsSync(fichierParDefaut) ? readFileSync(fichierParDefaut, 'utf8') : '';
writeFileSync(fichierParDefaut, texte, 'utf8');
console.log(`${nombre} lignes écrites dans ${fichierParDefaut}`);
bilan.forEach((l) => console.log(`  ${l}`));
const { ajoutes, retires } = difference(precedent, texte);
console.log(`Par rapport au fichier remplacé : ${ajoutes.length} couples ajoutés, ${retires.length} retirés`);

const rangees = lireLaPoste(readFileSync(join(dossier, LAPOSTE.fichier)));
const autres = construireAutresNoms(communes, actuelles, triees, rangees);
writeFileSync(join(dossier, 'autres-noms.txt'), autres.texte, 'utf8');
console.log(`Autres noms écrits dans ${join(dossier, 'autres-noms.txt')}`);
autres.bilan.forEach((l) => console.log(`  ${l}`));
